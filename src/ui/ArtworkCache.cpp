#include "ArtworkCache.h"

#include "platform/FileSystem.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <memory>

#ifndef PACEFORGE_ARTWORK_HASH
#define PACEFORGE_ARTWORK_HASH "unknown"
#endif

namespace paceforge {
namespace {

constexpr quint32 kMagic = 0x50464152; // "PFAR"
constexpr quint32 kLayout = 2;
// Pixels start on this boundary in the file, so that pictures can be used where the file is mapped.
constexpr qint64 kPixelAlignment = 16;
constexpr quint32 kMaxPictures = 64;
constexpr quint32 kMaxText = 1024;
constexpr int kMaxSide = 16384;

bool FourBytesPerPixel(int format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
}

void WriteText(QDataStream& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    out << quint32(bytes.size());
    out.writeRawData(bytes.constData(), static_cast<int>(bytes.size()));
}

// Lengths come from a file anyone may have damaged: nothing is allocated before it is checked.
std::optional<QString> ReadText(QDataStream& in)
{
    quint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok || size > kMaxText)
        return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (in.readRawData(bytes.data(), static_cast<int>(size)) != static_cast<int>(size))
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

// The pictures read the file where it is mapped; the mapping goes with the last of them.
void ReleaseMapping(void* file)
{
    delete static_cast<std::shared_ptr<QFile>*>(file);
}

QString SizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

} // namespace

ArtworkCache::ArtworkCache(std::filesystem::path folder, qreal ratio)
    : m_ratio(ratio > 0 ? ratio : artwork::applicationRatio())
{
    if (!folder.empty())
        m_file = fileFor(folder, m_ratio);
}

std::filesystem::path ArtworkCache::fileFor(const std::filesystem::path& folder, qreal ratio)
{
    return folder / ("artwork-" + std::to_string(std::lround(ratio * 100)) + ".cache");
}

QString ArtworkCache::fingerprint(qreal ratio)
{
    // The drawing code, Qt's painting and the font of the captions decide every pixel.
    return QStringLiteral("%1|%2|%3|%4")
        .arg(QLatin1String(PACEFORGE_ARTWORK_HASH), QLatin1String(qVersion()), QString::number(ratio),
            QGuiApplication::font().key());
}

QPixmap ArtworkCache::background(QSize size)
{
    return fetch(QStringLiteral("background/") + SizeText(size), [&] { return artwork::background(size, m_ratio); });
}

QPixmap ArtworkCache::tabFace(const QString& caption, QSize size, bool active)
{
    return fetch(QStringLiteral("tab/%1/%2/%3").arg(caption, SizeText(size), QString::number(active)),
        [&] { return artwork::tabFace(caption, size, active, m_ratio); });
}

QPixmap ArtworkCache::buttonFace(artwork::Glyph glyph, QSize size, bool pressed)
{
    return fetch(QStringLiteral("button/%1/%2/%3").arg(static_cast<int>(glyph)).arg(SizeText(size)).arg(pressed),
        [&] { return artwork::buttonFace(glyph, size, pressed, m_ratio); });
}

QPixmap ArtworkCache::fetch(const QString& key, const std::function<QPixmap()>& paint)
{
    if (!m_loaded)
        load();
    auto found = m_pictures.find(key);
    if (found == m_pictures.end()) {
        ++m_painted;
        QImage painted = paint().toImage();
        if (!FourBytesPerPixel(painted.format()))
            painted.convertTo(QImage::Format_ARGB32_Premultiplied);
        found = m_pictures.emplace(key, Picture{std::move(painted), {}}).first;
    }
    Picture& picture = found->second;
    if (picture.pixmap.isNull())
        picture.pixmap = QPixmap::fromImage(std::move(picture.image), Qt::NoFormatConversion);
    return picture.pixmap;
}

void ArtworkCache::load()
{
    m_loaded = true;
    const auto name = QtFileName(m_file);
    if (m_file.empty() || !name)
        return;
    // Mapped rather than read: copying the pictures into fresh memory cost the start-up more than
    // anything else the cache does. The file is only ever replaced whole (QSaveFile), never cut.
    auto file = std::make_shared<QFile>(*name);
    if (!file->open(QIODevice::ReadOnly) || file->size() <= 0)
        return;
    const qint64 size = file->size();
    const uchar* base = file->map(0, size);
    if (!base)
        return;
    const QByteArray mapped = QByteArray::fromRawData(reinterpret_cast<const char*>(base), size);
    QDataStream in(mapped);
    quint32 magic = 0, layout = 0, count = 0;
    in >> magic >> layout;
    const auto stamp = ReadText(in);
    in >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || layout != kLayout || stamp != fingerprint(m_ratio)
        || count > kMaxPictures)
        return;
    std::map<QString, Picture> pictures;
    for (quint32 i = 0; i < count; ++i) {
        const auto key = ReadText(in);
        qint32 width = 0, height = 0, format = 0;
        double ratio = 0;
        quint32 bytes = 0;
        in >> width >> height >> format >> ratio >> bytes;
        if (!key || in.status() != QDataStream::Ok || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide
            || !FourBytesPerPixel(format) || ratio != m_ratio
            || bytes != static_cast<quint64>(width) * static_cast<quint64>(height) * 4)
            return;
        const qint64 at = in.device()->pos();
        const qint64 start = (at + kPixelAlignment - 1) / kPixelAlignment * kPixelAlignment;
        if (start + bytes > size || in.skipRawData(static_cast<int>(start - at + bytes)) < 0)
            return;
        QImage picture(base + start, width, height, width * 4, static_cast<QImage::Format>(format), ReleaseMapping,
            new std::shared_ptr<QFile>(file));
        picture.setDevicePixelRatio(ratio);
        pictures.emplace(*key, Picture{std::move(picture), {}});
    }
    m_pictures = std::move(pictures);
}

Result ArtworkCache::save() const
{
    if (m_file.empty() || m_painted == 0)
        return Result::success();
    const auto name = QtFileName(m_file);
    if (!name || !QDir().mkpath(QtFileName(m_file.parent_path()).value_or(QString())))
        return Result::failure(QStringLiteral("no folder for %1").arg(DisplayPath(m_file)));
    QSaveFile file(*name);
    if (!file.open(QIODevice::WriteOnly))
        return Result::failure(file.errorString());
    QDataStream out(&file);
    out << kMagic << kLayout;
    WriteText(out, fingerprint(m_ratio));
    out << quint32(
        std::count_if(m_pictures.begin(), m_pictures.end(), [](const auto& p) { return !p.second.pixmap.isNull(); }));
    for (const auto& [key, entry] : m_pictures) {
        if (entry.pixmap.isNull())
            continue;
        const QImage picture = entry.pixmap.toImage();
        WriteText(out, key);
        out << qint32(picture.width()) << qint32(picture.height()) << qint32(picture.format())
            << double(picture.devicePixelRatio()) << quint32(picture.sizeInBytes());
        const char padding[kPixelAlignment] = {};
        out.writeRawData(padding, static_cast<int>((kPixelAlignment - file.pos() % kPixelAlignment) % kPixelAlignment));
        out.writeRawData(reinterpret_cast<const char*>(picture.constBits()), static_cast<int>(picture.sizeInBytes()));
    }
    if (out.status() != QDataStream::Ok) {
        file.cancelWriting();
        return Result::failure(QStringLiteral("could not write %1").arg(DisplayPath(m_file)));
    }
    return file.commit() ? Result::success() : Result::failure(file.errorString());
}

std::filesystem::path StandardArtworkCacheFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return folder.isEmpty() ? std::filesystem::path() : std::filesystem::path(QFile::encodeName(folder).toStdString());
}

} // namespace paceforge
