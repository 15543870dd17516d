#include "authoring/FontMap.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace FontMap {
namespace {

struct Group
{
    QStringList Names;      // the names documents use
    QStringList Candidates; // installed families to stand in, best first
};

const QString kCjk = QStringLiteral("WenQuanYi Zen Hei");

QList<Group> Groups()
{
    const QStringList cjk = {kCjk, QStringLiteral("Noto Sans CJK SC"),
                             QStringLiteral("Noto Serif CJK SC")};
    QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QStringList serif = {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")};
    QStringList mono = {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")};
    // Latin fonts fall back on the CJK font for Chinese text in them.
    sans << cjk;
    serif << cjk;
    mono << cjk;
    return {
        {{QStringLiteral("宋体"),        QStringLiteral("SimSun"),
          QStringLiteral("新宋体"),      QStringLiteral("NSimSun"),
          QStringLiteral("黑体"),        QStringLiteral("SimHei"),
          QStringLiteral("楷体"),        QStringLiteral("KaiTi"),
          QStringLiteral("楷体_GB2312"), QStringLiteral("KaiTi_GB2312"),
          QStringLiteral("仿宋"),        QStringLiteral("FangSong"),
          QStringLiteral("仿宋_GB2312"), QStringLiteral("FangSong_GB2312"),
          QStringLiteral("隶书"),        QStringLiteral("LiSu"),
          QStringLiteral("幼圆"),        QStringLiteral("YouYuan"),
          QStringLiteral("微软雅黑"),    QStringLiteral("Microsoft YaHei"),
          QStringLiteral("细明体"),      QStringLiteral("MingLiU"),
          QStringLiteral("新细明体"),    QStringLiteral("PMingLiU"),
          QStringLiteral("標楷體"),      QStringLiteral("DFKai-SB"),
          QStringLiteral("MS Gothic"),   QStringLiteral("MS Mincho"),
          QStringLiteral("Gulim"),       QStringLiteral("Batang")},
         cjk},
        {{QStringLiteral("Arial"), QStringLiteral("Arial Black"), QStringLiteral("Arial Narrow"),
          QStringLiteral("Helvetica"), QStringLiteral("Verdana"), QStringLiteral("Tahoma"),
          QStringLiteral("Calibri"), QStringLiteral("Segoe UI"), QStringLiteral("MS Sans Serif"),
          QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Trebuchet MS"),
          QStringLiteral("Impact"), QStringLiteral("Century Gothic"), QStringLiteral("System")},
         sans},
        {{QStringLiteral("Times New Roman"), QStringLiteral("Times"), QStringLiteral("Georgia"),
          QStringLiteral("Cambria"), QStringLiteral("Garamond"), QStringLiteral("Book Antiqua"),
          QStringLiteral("Palatino Linotype"), QStringLiteral("MS Serif")},
         serif},
        {{QStringLiteral("Courier New"), QStringLiteral("Courier"), QStringLiteral("Consolas"),
          QStringLiteral("Lucida Console"), QStringLiteral("Fixedsys"), QStringLiteral("Terminal")},
         mono},
    };
}

bool installed = false;

} // namespace

void InstallSubstitutions()
{
    if (installed)
        return;
    installed = true;
    const QStringList families = QFontDatabase::families();
    for (const Group& group : Groups()) {
        QStringList present;
        for (const QString& c : group.Candidates) {
            if (families.contains(c))
                present << c;
        }
        if (present.isEmpty())
            continue;
        for (const QString& name : group.Names) {
            if (!families.contains(name))
                QFont::insertSubstitutions(name, present);
        }
    }
}

} // namespace FontMap
