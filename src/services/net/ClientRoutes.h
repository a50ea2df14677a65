#pragma once

class httpRequestHandler;

// The answers that the web-service client hands on itself, through the program's global
// pointers: the URL index to the song download that asked (type 0 with a download's ticket), the
// album picture (14), the singer thumbnail (17), the user picture (18), the song-list cover (19)
// and the large singer pictures (32, 33). Registered by the client's constructor; a cache that
// does not exist (yet) gets nothing.
void g_registerClientRoutes(httpRequestHandler *client);
