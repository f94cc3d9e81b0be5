#pragma once

#include "Artwork.h"

#include "platform/Result.h"

#include <QImage>
#include <QPixmap>

#include <filesystem>
#include <functional>
#include <map>

namespace paceforge {

// The window's pictures, kept between runs in one file per device pixel ratio: painting them
// costs more than the rest of the start-up together, reading them back a small part of it. The
// bytes are kept as painted, so a picture read back is the painted one, pixel for pixel.
class ArtworkCache
{
public:
    // An empty folder keeps nothing: every picture is painted.
    ArtworkCache(std::filesystem::path folder, qreal ratio);

    QPixmap background(QSize size);
    QPixmap tabFace(const QString& caption, QSize size, bool active);
    QPixmap buttonFace(artwork::Glyph glyph, QSize size, bool pressed);

    // How many pictures had to be painted, because the file lacked them or did not fit this build.
    int paintedCount() const { return m_painted; }
    // Keeps every picture handed out for the next start; nothing is written when none was painted.
    Result save() const;

    // The file used for a ratio, and what a file must carry to be used here.
    static std::filesystem::path fileFor(const std::filesystem::path& folder, qreal ratio);
    static QString fingerprint(qreal ratio);

private:
    QPixmap fetch(const QString& key, const std::function<QPixmap()>& paint);
    void load();

    std::filesystem::path m_file;
    qreal m_ratio;
    bool m_loaded = false;
    int m_painted = 0;
    // A picture lives in one of the two at a time, so that handing it out copies no pixels.
    struct Picture {
        QImage image;
        QPixmap pixmap;
    };
    // Read from the file, and painted; only the used ones are written back.
    std::map<QString, Picture> m_pictures;
};

// Where the program keeps its cache; empty when the platform names no such folder.
std::filesystem::path StandardArtworkCacheFolder();

} // namespace paceforge
