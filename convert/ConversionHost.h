// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WindowPointer.h"

#include <QString>

class ProgressView;

// What a conversion run needs of the main window: the list it converts, the
// output choice, the window's pointer and the progress bar. The run reads all
// of them afresh for every file, since the user may change them meanwhile.
class ConversionHost {
public:
    virtual ~ConversionHost() = default;

    virtual int itemCount() const = 0;
    virtual QString itemText(int index) const = 0; // counted from 1

    virtual bool option1Selected() const = 0;
    virtual bool option2Selected() const = 0;
    virtual QString outputFolderText() const = 0;

    virtual int mousePointer() const = 0;
    virtual void setMousePointer(int pointer) = 0;

    virtual ProgressView &progressBar() = 0;
};
