// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QWidget;

// The window's skin engine: it dresses a window with a Qt style sheet read
// from a skin file. The operations keep the numbers the skin step uses.
class SkinFramework final : public QObject {
    Q_OBJECT
public:
    // Apply-options flags (operation 1).
    enum ApplyOption : int {
        // Dress the window and every control on it; without this flag
        // applying a skin leaves the window as it is.
        ApplyToWindow = 1,
    };

    explicit SkinFramework(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(SkinFramework)
    ~SkinFramework() override;

    // Operation 2: reads the skin from its file. A skin file holds one skin,
    // so the section that names one of several must be empty. Throws a
    // RuntimeError when the file is not a regular file, is larger than
    // MaxSkinBytes, is not a well-formed style sheet, holds anything from
    // which Qt could take an address otherwise than the check reads it
    // (StyleSheetFault), or names in a url() anything but such a file (or
    // one of the program's own resources): an image that is a FIFO would
    // hold the window up for good when it is drawn. The skin loaded before,
    // if any, stays.
    void loadSkin(const QString &path, const QString &section);

    // Operation 1.
    int applyOptions() const { return m_applyOptions; }
    void setApplyOptions(int options) { m_applyOptions = options; }

    // Operation 5: the windows the program opens over the main window
    // (message boxes, prompts, the file and folder dialogs) wear the skin
    // too, for as long as this engine exists.
    bool dressesDialogs() const { return m_dressesDialogs; }
    void setDressesDialogs(bool dress) { m_dressesDialogs = dress; }

    // Operation 10: applying polishes the window and its controls at once,
    // so the skin's colours are in force before the window is first shown
    // rather than when it is first drawn.
    bool polishesAtOnce() const { return m_polishesAtOnce; }
    void setPolishesAtOnce(bool atOnce) { m_polishesAtOnce = atOnce; }

    // Operation 3: dresses the window with the loaded skin.
    void applyWindow(QWidget &window);

    const QString &skinFile() const { return m_skinFile; }
    const QString &styleSheet() const { return m_styleSheet; }
    bool isApplied() const { return m_applied; }

    static constexpr qint64 MaxSkinBytes = 1024 * 1024;

private:
    QString m_skinFile;
    QString m_styleSheet;
    bool m_loaded = false;
    int m_applyOptions = 0;
    bool m_dressesDialogs = false;
    bool m_polishesAtOnce = false;
    bool m_applied = false;
    // The program's style sheet before this engine dressed its dialogs.
    std::optional<QString> m_sheetBeforeDialogs;
};
