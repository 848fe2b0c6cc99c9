// Message dialog arithmetic, free of any window: 15 pixels a line, 6 a byte, fixed margins.
#include "MessageLayout.h"

MessageLayout LayoutMessage(const CString& text)
{
    MessageLayout out;
    CString s = text;
    s.Replace("\r\n", "\n");
    int height = 36, longest = 10;
    int start = 0;
    for (int nl; (nl = s.Find('\n', start)) >= 0; start = nl + 1) {
        out.lines.push_back(s.Mid(start, nl - start));
        height += kMessageLineHeight;
    }
    if (start < s.GetLength()) {
        out.lines.push_back(s.Mid(start));
        height += kMessageLineHeight;
    }
    for (const CString& line : out.lines)
        if (line.GetLength() > longest) longest = line.GetLength();
    height += 46;
    out.width = 6 * longest + 62;
    if (out.width < 199) out.width = 199;
    out.height = height < 110 ? 110 : height;
    return out;
}

int MessageTextTop(int lineCount)
{
    return lineCount == 1 ? 48 : 40;
}

MessageButtons PlaceMessageButtons(int kind, int clientWidth, int lineCount, const DpiScale& scale)
{
    MessageButtons b = {};
    b.top = scale.Px(MessageTextTop(lineCount) + kMessageLineHeight * lineCount + 10);
    const int half = clientWidth / 2;
    b.showCancel = kind == Question;
    if (b.showCancel) {
        // The pair is centred as a whole: 68 = (55 / 2 + 2 * 55) / 2, 82 = 55 + 55 / 2.
        const int pairHalf = (kMessageButtonWidth / 2 + 2 * kMessageButtonWidth) / 2;
        b.okX = half - scale.Px(pairHalf);
        b.cancelX = b.okX + scale.Px(kMessageButtonWidth + kMessageButtonWidth / 2);
    } else {
        b.okX = half - scale.Px(kMessageButtonWidth / 2);
        b.cancelX = 0;
    }
    return b;
}
