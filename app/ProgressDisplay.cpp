// ProgressDisplay: filled width, size and speed texts, and the eight promotional lines in rotation.
#include "ProgressDisplay.h"

namespace {

const uint32_t kMinimumWidth = 2;

// Fixed 260-byte fields, as the window's text table keeps them.
const char kPromotionLines[8][260] = {
    "Corvane安全套装：实时防护，病毒木马无处藏身。",
    "云端查杀引擎，新威胁出现几分钟内即可识别。",
    "智能主动防御，拦截可疑程序的危险动作。",
    "网购支付保护，为您的每一笔交易保驾护航。",
    "上网防钓鱼，自动识别并拦截欺诈网站。",
    "轻巧省资源，游戏和办公时几乎感觉不到它。",
    "病毒库每日自动更新，安全始终保持最新。",
    "Corvane，多年专注安全，守护千万用户电脑。",
};

}  // namespace

namespace ProgressDisplay {

uint32_t FilledWidth(uint32_t downloaded, uint32_t total, uint32_t barWidth)
{
    uint32_t totalKb = total >> 10;
    if (totalKb == 0) return kMinimumWidth;
    uint32_t width = ((downloaded >> 10) * barWidth) / totalKb;
    // A server that sends more than it announced must not push the bar past its track.
    if (width > barWidth) return barWidth;
    return width < kMinimumWidth ? kMinimumWidth : width;
}

CString Megabytes(uint32_t bytes)
{
    CString text;
    text.Format("%.2fM", static_cast<double>(bytes) * (1.0 / 1048576));
    return text;
}

CString Speed(uint32_t kbPerSecond)
{
    CString text;
    text.Format("%dKB/秒", static_cast<int>(kbPerSecond));
    return text;
}

const char* PromotionLine(uint32_t counter)
{
    return kPromotionLines[counter & 7];
}

}  // namespace ProgressDisplay
