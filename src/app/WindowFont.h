#pragma once
// The windows' default font: 宋体 at 13 pixels, resolved to an installed CJK
// font so that Chinese captions and messages render.
class QApplication;

namespace WindowFont {

// Maps 宋体 / SimSun onto the CJK fonts the system has and makes 宋体 at 13
// pixels the application font.
void Install(QApplication& app);

} // namespace WindowFont
