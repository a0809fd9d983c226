/* SPDX-FileCopyrightText: 2026 The Reelwright developers */
/* SPDX-License-Identifier: GPL-3.0-or-later */

/* Reelwright's skin, a Qt style sheet. The window, the frames and the
   options take the desktop's button face and its text colour; the controls
   drawn here carry colours of their own, each with text that reads on it,
   so the skin holds under light and dark desktop themes alike.

   The main window rings the control with the keyboard focus in the
   desktop's text colour, just outside the control. The :focus rules mark
   the control's own edge as well, so the focus also shows in the dialogs
   that wear the skin: a button's or a text box's edge, two pixels wide,
   changes by at least 3:1 against its unfocused look. The frames, the
   list's header and the progress bar never take the focus. */

QGroupBox {
    border: 1px solid rgba(128, 128, 128, 160);
    border-radius: 6px;
    margin-top: 1ex;
}

QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 8px;
    padding: 0 3px;
}

/* The option buttons' circles carry their own colours: the face they sit
   on follows the desktop, dark or light. */
QRadioButton::indicator {
    width: 12px;
    height: 12px;
    border: 1px solid #5b6b85;
    border-radius: 7px;
    background-color: #ffffff;
}

QRadioButton::indicator:checked {
    background-color: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5,
        stop: 0 #2459b3, stop: 0.5 #2459b3, stop: 0.6 #ffffff, stop: 1 #ffffff);
}

QRadioButton::indicator:hover {
    border: 1px solid #2459b3;
}

QRadioButton::indicator:focus {
    border: 1px solid #0f2d5e;
}

QRadioButton::indicator:disabled {
    background-color: #e9ecf1;
}

QPushButton {
    color: #ffffff;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #3f7fe0, stop: 1 #2459b3);
    border: 1px solid #1c478f;
    border-radius: 5px;
    padding: 2px 8px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #5590ea, stop: 1 #2d66c4);
}

QPushButton:pressed {
    background-color: #1c478f;
}

/* White on every shade the button takes, with the text kept in place. */
QPushButton:focus {
    border: 2px solid #ffffff;
    padding: 1px 7px;
}

QPushButton:disabled {
    color: #e6e6e6;
    background-color: #8a9bb8;
    border: 1px solid #76879f;
}

QTreeView, QListView {
    color: #1b1f27;
    background-color: #ffffff;
    alternate-background-color: #f3f6fb;
    selection-color: #ffffff;
    selection-background-color: #2459b3;
    border: 1px solid #8c99ad;
    border-radius: 4px;
}

/* A wider border would move the rows: the list keeps its one pixel. */
QTreeView:focus, QListView:focus {
    border: 1px solid #0f2d5e;
}

QHeaderView {
    background-color: #e4eaf4;
    border: none;
}

QHeaderView::section {
    color: #1b1f27;
    background-color: #e4eaf4;
    border: none;
    border-bottom: 1px solid #b5c0d3;
    border-right: 1px solid #b5c0d3;
    padding: 3px 6px;
}

QLineEdit {
    color: #1b1f27;
    background-color: #ffffff;
    selection-color: #ffffff;
    selection-background-color: #2459b3;
    border: 1px solid #8c99ad;
    border-radius: 4px;
    padding: 0 4px;
}

QLineEdit:focus {
    border: 2px solid #0f2d5e;
    padding: 0 3px;
}

QLineEdit:disabled {
    color: #5c6470;
    background-color: #e9ecf1;
}

QProgressBar {
    color: #1b1f27;
    background-color: #ffffff;
    border: 1px solid #8c99ad;
    border-radius: 5px;
    text-align: center;
}

QProgressBar::chunk {
    background-color: #8fb4ef;
    border-radius: 4px;
}
