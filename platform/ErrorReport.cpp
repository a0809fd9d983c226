// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ErrorReport.h"

#include "BuildSettings.h"

#include "Dialogs.h"
#include "RuntimeError.h"

#include <new>

QString SupportAddress()
{
    return QStringLiteral(REELWRIGHT_SUPPORT_ADDRESS);
}

QString ErrorReportText(const QString &description, const QString &location, int line, const QString &supportAddress)
{
    QString text = description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line);
    // Without an address there is nobody to send the screenshot to.
    if (!supportAddress.isEmpty())
        text += QStringLiteral("\r\rPlease email screenshot of this message to ") + supportAddress;
    return text;
}

void ReportError(Dialogs &dialogs, const QString &location, int line, const QString &description)
{
    dialogs.message(ErrorReportText(description, location, line), MessageIcon::Warning, MessageButtons::Ok,
        QStringLiteral("Application Error"));
}

ReportingProcedure::ReportingProcedure(Dialogs &dialogs, QString location)
    : m_dialogs(dialogs)
    , m_location(std::move(location))
{
}

bool ReportingProcedure::step(int line, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const RuntimeError &error) {
        report(line, error.description());
    } catch (const std::bad_alloc &) {
        report(line, RuntimeError::standardDescription(RuntimeError::OutOfMemory));
    } catch (const std::exception &error) {
        report(line, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

bool ReportingProcedure::test(int line, const std::function<bool()> &condition)
{
    bool answer = true;
    step(line, [&] { answer = condition(); });
    return answer;
}

void ReportingProcedure::report(int line, const QString &description)
{
    ++m_failures;
    ReportError(m_dialogs, m_location, line, description);
}
