#pragma once

// The request types of httpRequestHandler. Each request carries one of them; the answer or the
// failure is dispatched on it. Values outside 0..35 are never sent and are ignored.
enum HttpRequestType
{
    HTTPREQUEST_TYPE_MAINURL = 0, // URL index (site host)
    HTTPREQUEST_TYPE_ID = 1,      // song information document
    HTTPREQUEST_TYPE_LRC = 2,     // lyric search (not sent by this program)
    HTTPREQUEST_TYPE_LOGIN = 3,
    HTTPREQUEST_TYPE_REG = 4,     // not sent by this program
    HTTPREQUEST_TYPE_NETLIST = 5, // random-listening list
    HTTPREQUEST_TYPE_FAVLIST = 6,
    HTTPREQUEST_TYPE_FAVLIST_DETAIL = 7,
    HTTPREQUEST_TYPE_DELFAVLIST = 8,
    HTTPREQUEST_TYPE_DELFAVLISTSONG = 9,
    HTTPREQUEST_TYPE_ADDFAVLIST = 10,
    HTTPREQUEST_TYPE_ADDFAVLISTSONG = 11,
    HTTPREQUEST_TYPE_RENFAVLIST = 12,
    HTTPREQUEST_TYPE_SEARCHCOMPLETE = 13, // not sent by this program
    HTTPREQUEST_TYPE_ALBUMPIC = 14,
    HTTPREQUEST_TYPE_ADCONFIG = 15,
    HTTPREQUEST_TYPE_PLAYMAINURL = 16, // URL index before a network play
    HTTPREQUEST_TYPE_SINGERPIC = 17,
    HTTPREQUEST_TYPE_USERPIC = 18,
    HTTPREQUEST_TYPE_GEDANPIC = 19,
    HTTPREQUEST_TYPE_NETSEARCHV08 = 20,
    HTTPREQUEST_TYPE_FAVSINGER = 21,
    HTTPREQUEST_TYPE_SINGERSONG = 22,
    HTTPREQUEST_TYPE_LRCREQ = 23,
    HTTPREQUEST_TYPE_NAVIGATE = 24,
    HTTPREQUEST_TYPE_ONLINECOUNT = 25,
    HTTPREQUEST_TYPE_LOG = 26, // not sent by this program
    HTTPREQUEST_TYPE_QQLOGINCHECK = 27,
    HTTPREQUEST_TYPE_RADIO = 28,
    HTTPREQUEST_TYPE_ADDFAVLISTSONGS = 29,
    HTTPREQUEST_TYPE_ADDFAVSINGER = 30,
    HTTPREQUEST_TYPE_MOVEFAVLISTSONGS = 31,
    HTTPREQUEST_TYPE_SINGERBIGIMAGES = 32,
    HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA = 33,
    HTTPREQUEST_TYPE_RESERVED34 = 34, // reserved: accepted and discarded
    HTTPREQUEST_TYPE_DELFAVSINGER = 35,
};

inline constexpr int kFirstRequestType = 0;
inline constexpr int kLastRequestType = 35;

// The operation numbers that favResponseSuccessed and favResponseFailed carry in place of the
// request type of a favourite edit.
enum FavEditOperation
{
    FAVOP_ADD_SONG = 0,    // type 11
    FAVOP_DEL_SONGS = 1,   // type 9
    FAVOP_CREATE_LIST = 2, // type 10
    FAVOP_DEL_LIST = 3,    // type 8
    FAVOP_RENAME_LIST = 4, // type 12
    FAVOP_ADD_SONGS = 5,   // type 29
    FAVOP_MOVE_SONGS = 6,  // type 31
};
