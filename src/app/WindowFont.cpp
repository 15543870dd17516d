#include "app/WindowFont.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

namespace WindowFont {

void Install(QApplication& app)
{
    // Candidates in order of preference; Qt takes the first one installed.
    const QStringList cjk = {
        QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("AR PL UMing CN"),    QStringLiteral("Droid Sans Fallback"),
    };
    QFont::insertSubstitutions(QStringLiteral("宋体"), cjk);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), cjk);

    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(13);
    app.setFont(font);
}

} // namespace WindowFont
