// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The skin check (StyleSheetFault, StyleSheetAddresses) beside Qt's own
// style sheet parser. Promise: whenever the check accepts a skin, every
// address Qt would load from it, as the application's style sheet and as
// the window's own, is among the addresses the check returned, so each of
// them was checked.

#include "FuzzSupport.h"
#include "StyleSheetText.h"

#include <QStringDecoder>
#include <QtGui/private/qcssparser_p.h>

namespace {

// How deep style sheets set as a control's property are followed.
constexpr int kMaxNesting = 4;

void addSheetAddresses(const QString &sheet, bool isApplicationSheet, int nesting, QStringList &addresses);

// The addresses of one declaration: its url() values, and those of the
// style sheet it sets on the control, as Qt's style sheet style sets a
// qproperty- declaration's first value as the property.
void addDeclarationAddresses(const QCss::Declaration &declaration, int nesting, QStringList &addresses)
{
    for (const QCss::Value &value : std::as_const(declaration.d->values)) {
        if (value.type == QCss::Value::Uri)
            addresses << value.variant.toString();
    }
    const QString &property = declaration.d->property;
    if (property.startsWith(QLatin1String("qproperty-"), Qt::CaseInsensitive)
        && property.mid(10) == QLatin1String("styleSheet") && !declaration.d->values.isEmpty() && nesting < kMaxNesting)
        addSheetAddresses(declaration.d->values.at(0).variant.toString(), false, nesting + 1, addresses);
}

void addRuleAddresses(const QList<QCss::StyleRule> &rules, int nesting, QStringList &addresses)
{
    for (const QCss::StyleRule &rule : rules) {
        for (const QCss::Declaration &declaration : rule.declarations)
            addDeclarationAddresses(declaration, nesting, addresses);
    }
}

// Every rule of a parsed sheet: the parser files those with an element
// name or an id in indexes of their own.
void addParsedAddresses(const QCss::StyleSheet &sheet, int nesting, QStringList &addresses)
{
    addRuleAddresses(sheet.styleRules, nesting, addresses);
    addRuleAddresses(sheet.nameIndex.values(), nesting, addresses);
    addRuleAddresses(sheet.idIndex.values(), nesting, addresses);
    for (const QCss::MediaRule &media : sheet.mediaRules)
        addRuleAddresses(media.styleRules, nesting, addresses);
    for (const QCss::PageRule &page : sheet.pageRules) {
        for (const QCss::Declaration &declaration : page.declarations)
            addDeclarationAddresses(declaration, nesting, addresses);
    }
    for (const QCss::ImportRule &import : sheet.importRules)
        addresses << import.href;
}

// What Qt's style sheet style loads from a sheet: the application's sheet
// names a file when it begins with "file:///"; a sheet is used as far as it
// parses; a control's own sheet that does not parse is parsed again as the
// declarations of one rule for every control.
void addSheetAddresses(const QString &sheet, bool isApplicationSheet, int nesting, QStringList &addresses)
{
    if (isApplicationSheet && sheet.startsWith(QLatin1String("file:///"))) {
        addresses << sheet.mid(8);
        return;
    }
    QCss::StyleSheet parsed;
    QCss::Parser parser(sheet);
    const bool parses = parser.parse(&parsed);
    addParsedAddresses(parsed, nesting, addresses);
    if (parses || isApplicationSheet)
        return;
    QCss::StyleSheet wrapped;
    QCss::Parser wrappedParser(QLatin1String("* {") + sheet + u'}');
    wrappedParser.parse(&wrapped);
    addParsedAddresses(wrapped, nesting, addresses);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The parser needs no application object; its warnings are kept quiet.
    static const bool quiet
        = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}), true);
    Q_UNUSED(quiet);
    // The skin is read as UTF-8 and refused when it is not.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(FuzzBytes(data, size));
    if (decoder.hasError())
        return 0;
    const QString fault = StyleSheetFault(text);
    const QStringList checked = StyleSheetAddresses(text);
    if (!fault.isEmpty())
        return 0;
    // The skin dresses the dialogs, as the application's sheet, and the
    // window, as its own.
    QStringList loaded;
    addSheetAddresses(text, true, 0, loaded);
    addSheetAddresses(text, false, 0, loaded);
    for (const QString &address : std::as_const(loaded)) {
        FuzzCheck(checked.contains(address), "an address Qt loads from an accepted skin was checked",
            QStringLiteral("unchecked: [%1]\nchecked: [%2]").arg(address, checked.join(QLatin1String("] ["))));
    }
    return 0;
}
