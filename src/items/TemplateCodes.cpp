#include "items/TemplateCodes.h"

#include <functional>

namespace TemplateCodes {
namespace {

// Codes of one placeholder letter, or an empty string when the letter is not
// a placeholder of the item.
using CodeTable = std::function<QString(QChar)>;

QString Codes(std::initializer_list<char16_t> codes)
{
    QString s;
    for (char16_t c : codes)
        s.append(QChar(c));
    return s;
}

QString Expand(const QString& templ, const CodeTable& table)
{
    QString out;
    const int n = templ.size();
    int i = 0;
    while (i < n && out.size() < MaxCodes) {
        if (templ[i] == QLatin1Char('{') && i + 2 < n && templ[i + 2] == QLatin1Char('}')) {
            const QString codes = table(templ[i + 1]);
            if (!codes.isEmpty()) {
                out.append(codes);
                i += 3;
                continue;
            }
        }
        // Anything that is not a known placeholder goes to the card as it is,
        // so an unknown brace group arrives as its three characters.
        out.append(templ[i]);
        ++i;
    }
    out.truncate(MaxCodes);
    return out;
}

} // namespace

QString ExpandClock(const QString& templ)
{
    return Expand(templ, [](QChar letter) {
        switch (letter.unicode()) {
        case 'N':
            return Codes({11, 12});
        case 'Y':
            return Codes({13, 14});
        case 'R':
            return Codes({15, 16});
        case 'S':
            return Codes({17, 18});
        case 'F':
            return Codes({19, 20});
        case 'W':
            return Codes({21});
        case 'M':
            return Codes({23, 24});
        default:
            return QString();
        }
    });
}

QString ExpandTemperature(const QString& templ)
{
    return Expand(templ, [](QChar letter) {
        switch (letter.unicode()) {
        case 'W':
            return Codes({1, 2, 3});
        case 'S':
            return Codes({4, 5});
        default:
            return QString();
        }
    });
}

QString ExpandCountdown(const QString& templ, int digits)
{
    QString count;
    if (digits >= 4)
        count = Codes({28, 29, 30, 31});
    else if (digits == 3)
        count = Codes({29, 30, 31});
    else if (digits == 2)
        count = Codes({30, 31});
    else
        count = Codes({31});
    return Expand(
        templ, [&count](QChar letter) { return letter == QLatin1Char('C') ? count : QString(); });
}

} // namespace TemplateCodes
