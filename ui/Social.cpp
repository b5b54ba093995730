#include "ui/Social.h"

#include "core/ProductInfo.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

Social* g_social = nullptr;

void open(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

} // namespace

Social* Social::instance()
{
    if (!g_social)
        g_social = new Social;
    return g_social;
}

void Social::openFB()
{
    open(QStringLiteral("https://facebook.example.com/quillmere4"));
}

void Social::openVK()
{
    open(QStringLiteral("https://vk.example.com/quillmere4"));
}

void Social::openYoutube()
{
    open(QStringLiteral("https://youtube.example.com/c/quillmere4"));
}

void Social::openHome()
{
    open(defaultProductInfo().webSite);
}

void Social::openTwitter()
{
    open(QStringLiteral("https://twitter.example.com/quillmere4"));
}

void Social::openOK()
{
    open(QStringLiteral("https://ok.example.com/group/quillmere4"));
}

void Social::openInstagram()
{
    open(QStringLiteral("https://instagram.example.com/quillmere4"));
}

void Social::openGooglePlus()
{
    open(QStringLiteral("https://plus.example.com/+quillmere4"));
}
