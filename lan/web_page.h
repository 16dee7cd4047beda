#pragma once

#include <QByteArray>

#include "lan/web_response.h"

// The page's files, all served by kvt-lan itself: the answer for one of
// their paths, false for any other path.
bool web_asset(const QByteArray& path, web_response_t& out);
