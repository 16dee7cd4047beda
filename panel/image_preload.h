#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <memory>

// Every image of a file, decoded on a pool thread while the GUI thread does
// other work; the GUI thread takes them with a bounded wait and, past it,
// decodes the file itself as it would have without the preload.
class image_preload_t {
public:
    // Starts decoding on a pool thread. Images only: pixmaps belong to the GUI
    // thread.
    explicit image_preload_t(const QString& file);

    const QString& file() const { return path; }

    // The images decoded; false while the decoding has not ended within the wait.
    bool take(QList<QImage>& images) const;

private:
    struct decoded_t;
    QString path;
    std::shared_ptr<decoded_t> decoded;
};
