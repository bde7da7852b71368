#include "app/UrlHandler.h"

namespace {

bool isSchemeCharacter(QChar c, bool first)
{
    const char16_t u = c.unicode();
    const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    if (first)
        return letter;
    return letter || (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.';
}

} // namespace

UrlHandler::UrlHandler(StackSelection stackSelection, IsWorking isWorking)
    : m_stackSelection(std::move(stackSelection))
    , m_isWorking(std::move(isWorking))
{}

void UrlHandler::open(const QStringList& urls) const
{
    for (const QString& url : urls) {
        if (!isStackSelection(url) || m_isWorking())
            continue;
        m_stackSelection();
    }
}

bool UrlHandler::isStackSelection(QStringView url)
{
    return scheme(url) == QLatin1String("tidorama") &&
           host(url) == QLatin1String("stack-selection");
}

// QUrl would do, but it writes scheme and host in lower case, and these comparisons must see
// them as they were sent.
QStringView UrlHandler::scheme(QStringView url)
{
    const qsizetype colon = url.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return {};
    for (qsizetype i = 0; i < colon; ++i) {
        if (!isSchemeCharacter(url[i], i == 0))
            return {};
    }
    return url.first(colon);
}

QStringView UrlHandler::host(QStringView url)
{
    const QStringView schemePart = scheme(url);
    if (schemePart.isEmpty())
        return {};
    const QStringView rest = url.sliced(schemePart.size() + 1);
    if (!rest.startsWith(QLatin1String("//")))
        return {};
    QStringView authority = rest.sliced(2);
    for (qsizetype i = 0; i < authority.size(); ++i) {
        const QChar c = authority[i];
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#')) {
            authority = authority.first(i);
            break;
        }
    }
    // user:password@host:port
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        authority = authority.sliced(at + 1);
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && !authority.startsWith(QLatin1Char('[')))
        authority = authority.first(colon);
    return authority;
}
