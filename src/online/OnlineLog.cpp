#include "online/OnlineLog.h"

Q_LOGGING_CATEGORY(lcOnline, "kvr.online")
