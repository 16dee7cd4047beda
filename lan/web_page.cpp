#include "lan/web_page.h"

#include <QFile>

namespace {

// Only these paths reach a file; no part of a request ever names one.
const struct {
    const char* path;
    const char* file;
    const char* type;
} assets[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/web/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/web/style.css", "text/css; charset=utf-8"},
    {"/logo.svg", ":/web/logo.svg", "image/svg+xml"},
    {"/panels/KVT0402Q.png", ":/web/panels/KVT0402Q.png", "image/png"},
    {"/panels/KVT0206Q.png", ":/web/panels/KVT0206Q.png", "image/png"},
};

QByteArray read_asset(const char* name) {
    QFile file(QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

bool web_asset(const QByteArray& path, web_response_t& out) {
    // The resources of a static library register only when asked to.
    static const bool registered = [] {
        Q_INIT_RESOURCE(web_assets);
        return true;
    }();
    Q_UNUSED(registered);
    for (const auto& asset : assets) {
        if (path == asset.path) {
            out = {200, asset.type, read_asset(asset.file)};
            return true;
        }
    }
    return false;
}
