#include "services/net/ServiceEndpoints.h"

#include <QCoreApplication>

#include <optional>

ServiceEndpoints::ServiceEndpoints(const ServiceHosts &h)
    : hosts(h)
{
    const QString &service = hosts.service;
    const QString &site = hosts.site;
    const QString &account = hosts.account;
    const QString &image = hosts.image;
    const QString api = service + QLatin1String("/do/apiHandler.ashx?t=");

    serviceApiBase = service;
    serviceWebBase = service;
    imageBase = image;

    urlIndex = site + QLatin1String("/sgbox/urlindex.asp");
    songInfoBase = site + QLatin1String("/html/pxml/");

    const QString listStem = account + QLatin1String("/api/") + hosts.serviceHostName();
    favLists = listStem + QLatin1String("/gdlist.asp?t=diy-all&n=");
    favListDetail = listStem + QLatin1String("/gdlist.asp?t=diy-gdmusic&n=");
    forgetPasswordPage = account + QLatin1String("/reg/getpass.asp");
    registrationPage = account + QLatin1String("/reg/reg.asp");
    suggestionPage = account + QLatin1String("/gbook/?r=ruanjian");

    webSearchPage = serviceWebBase + QLatin1String("/search.aspx?keyword=");
    homePage = serviceWebBase + QLatin1String("/index.html");
    chartPage = serviceWebBase + QLatin1String("/bang.html");
    singerPage = serviceWebBase + QLatin1String("/geshou.html");
    categoryPage = serviceWebBase + QLatin1String("/fenlei.html");
    topicPage = serviceWebBase + QLatin1String("/zhuanti.html");

    login = api + QLatin1String("login&n=");
    netList = service + QLatin1String("/user/phb_2.xml");
    deleteList = api + QLatin1String("diy-del&n=");
    delSongDefault = api + QLatin1String("delsong&n=");
    delSongOwn = api + QLatin1String("diy-delsong&n=");
    createList = api + QLatin1String("diy-add&n=");
    addSongDefault = api + QLatin1String("addsong&n=");
    addSongOwn = api + QLatin1String("diy-addsong&n=");
    renameList = api + QLatin1String("diy-update&n=");
    instantSearch = api + QLatin1String("diySearch&k=");
    favouriteSingers = api + QLatin1String("FavoriteSinger&loginid=");
    singerSongs = api + QLatin1String("SingerSong&singerid=");
    lyricSearch = api + QLatin1String("GetLrcContent&keyword=");
    navigation = service + QLatin1String("/navtag.xml");
    onlineCount = service + QLatin1String("/do/apihandler.ashx?t=OnlineCount");
    qqLoginCheck = service + QLatin1String("/do/qqloginHandler.ashx?t=islogin&key=");
    moreRadioSongs = api + QLatin1String("GetMoreFmSongs_new&fmid=");
    addSongsDefault = api + QLatin1String("addsongs&n=");
    addSongsOwn = api + QLatin1String("diy-addsongs&n=");
    addFavouriteSinger = api + QLatin1String("AddColl&singerid=");
    moveDefaultToOwn = api + QLatin1String("FromDefaultToDiyMoveSongs&n=");
    moveOwnToDefault = api + QLatin1String("FromDiyToDefaultMoveSongs&n=");
    moveOwnToOwn = api + QLatin1String("FromDiyToDiyMoveSongs&n=");
    singerBigImages = api + QLatin1String("GetHDSinger&n=");
    deleteFavouriteSinger = api + QLatin1String("DeleteColl&userid=");

    singerThumbBase = image + QLatin1String("/pic/gstx/");

    userClientHandle = service + QLatin1String("/app/UserClientHandle.ashx");
    playStates = api + QLatin1String("getqinquan");
    fmClasses = service + QLatin1String("/do/apihandler.ashx?t=GetFMClass");
    externalAddress = service + QLatin1String("/client/ip.ashx");
}

namespace {

std::optional<ServiceEndpoints> &current()
{
    static std::optional<ServiceEndpoints> endpoints;
    return endpoints;
}

} // namespace

const ServiceEndpoints &g_endpoints()
{
    auto &endpoints = current();
    if (!endpoints) {
        if (QCoreApplication::instance())
            endpoints.emplace(ServiceHosts::forInstallation(QCoreApplication::applicationDirPath()));
        else
            endpoints.emplace(ServiceHosts::builtIn());
    }
    return *endpoints;
}

void g_setServiceHosts(const ServiceHosts &hosts)
{
    current().emplace(hosts);
}

void g_loadServiceHosts(const QString &appDir)
{
    current().emplace(ServiceHosts::forInstallation(appDir));
}
