// Message dialog arithmetic: the text's lines, the window size they need, and where text and buttons go.
#pragma once

#include <vector>

#include "CString.h"
#include "DpiScale.h"
#include "MessageKind.h"

struct MessageLayout {
    std::vector<CString> lines;  // in display order
    int width = 0;               // window size in pixels
    int height = 0;
};

// Splits text at line feeds ("\r\n" counts as one); a text ending in a line feed has no empty last line.
// Lengths are bytes, so a GBK character counts 2.
MessageLayout LayoutMessage(const CString& text);

const int kMessageButtonWidth = 55;
const int kMessageButtonHeight = 23;
const int kMessageLineHeight = 15;
const int kMessageTextLeft = 52;

// Top of the first text line.
int MessageTextTop(int lineCount);

struct MessageButtons {
    int top;
    int okX;
    int cancelX;      // meaningful only when showCancel
    bool showCancel;  // only questions offer CANCEL
};
// Sizes and margins are the 96-DPI ones at scale; clientWidth is in the window's own pixels.
MessageButtons PlaceMessageButtons(int kind, int clientWidth, int lineCount, const DpiScale& scale = DpiScale());
