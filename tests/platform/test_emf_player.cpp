#include "platform/EmfPlayer.h"

#include "platform/Canvas.h"
#include "platform/EmfRecorder.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QString FixtureDir() { return QStringLiteral(LEVANTA_SHARED_DIR "/fixtures/emf"); }

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QImage Render(const QByteArray &emf, QSize size, QRectF target = {})
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    PlayEmf(p, target.isNull() ? QRectF(QPointF(0, 0), QSizeF(size)) : target, emf);
    p.end();
    return img;
}

// Saves what the player drew when LEVANTA_EMF_DUMP names a folder, to look at by eye.
void Dump(const QImage &img, const QString &name)
{
    const QByteArray dir = qgetenv("LEVANTA_EMF_DUMP");
    if (!dir.isEmpty())
        img.save(QString::fromLocal8Bit(dir) + u'/' + name + QStringLiteral(".png"));
}

} // namespace

TEST(EmfFixtures, EveryFixturePlays)
{
    const QStringList files = QDir(FixtureDir()).entryList({QStringLiteral("*.emf")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << "no fixtures in " << FixtureDir().toStdString();
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = ReadFile(FixtureDir() + u'/' + name);
        const TEmfInfo info = ReadEmfInfo(bytes);
        const QSizeF px = info.FrameSizePixels();
        QSize size = px.scaled(QSizeF(400, 400), Qt::KeepAspectRatio).toSize().expandedTo(QSize(8, 8));
        if (name == QStringLiteral("poi_61294.emf")) {
            // Broken on purpose: a record claims 0xFFFF0027 bytes.
            EXPECT_THROW(Render(bytes, size), EPlatformError);
            continue;
        }
        QImage img;
        try {
            img = Render(bytes, size);
        } catch (const EPlatformError &e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        Dump(img, name);
    }
}
