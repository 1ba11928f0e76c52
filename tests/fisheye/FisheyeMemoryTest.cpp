// The per-file memory of the last fisheye choice in "account.ini".
#include "FisheyeMemory.h"
#include "AppSettings.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{

FisheyeChoice Dewarped(int layout, PanoMode mount, double radius)
{
    FisheyeChoice choice;
    choice.display = FisheyeChoice::Display::Dewarp;
    choice.layout = layout;
    choice.mount = mount;
    choice.circle = {640.5, 350.25, radius};
    choice.pictureWidth = 1280;
    choice.pictureHeight = 720;
    return choice;
}

QString FileNumber(int i)
{
    return QStringLiteral("/media/clip-%1.mvr").arg(i);
}

} // namespace

class FisheyeMemoryTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    static QSettings Ini()
    {
        return QSettings(QString::fromLatin1(AppSettings::kFileName), QSettings::IniFormat);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }

    void recallsWhatWasRememberedPerFile()
    {
        FisheyeChoice zoom = Dewarped(0, kPanoModeCeiling, 300.0);
        zoom.display = FisheyeChoice::Display::Zoom;
        FisheyeMemory::Remember(QStringLiteral("/media/a.mvr"), zoom);
        FisheyeMemory::Remember(QStringLiteral("/media/b.mvr"), Dewarped(12, kPanoModeWall, 500.0));

        const std::optional<FisheyeChoice> a =
            FisheyeMemory::Recall(QStringLiteral("/media/a.mvr"));
        QVERIFY(a.has_value());
        QCOMPARE(a->display, FisheyeChoice::Display::Zoom);
        QCOMPARE(a->mount, kPanoModeCeiling);
        QCOMPARE(a->circle.radius, 300.0);
        const std::optional<FisheyeChoice> b =
            FisheyeMemory::Recall(QStringLiteral("/media/b.mvr"));
        QVERIFY(b.has_value());
        QCOMPARE(b->display, FisheyeChoice::Display::Dewarp);
        QCOMPARE(b->layout, 12);
        QCOMPARE(b->mount, kPanoModeWall);
        QCOMPARE(b->circle.centreX, 640.5);
        QCOMPARE(b->circle.centreY, 350.25);
        QCOMPARE(b->circle.radius, 500.0);
        QCOMPARE(b->pictureWidth, 1280);
        QCOMPARE(b->pictureHeight, 720);
        QVERIFY(!FisheyeMemory::Recall(QStringLiteral("/media/c.mvr")).has_value());

        // A later choice replaces the file's earlier one.
        FisheyeChoice circle = Dewarped(3, kPanoModeCeiling, 310.0);
        circle.display = FisheyeChoice::Display::Circle;
        FisheyeMemory::Remember(QStringLiteral("/media/a.mvr"), circle);
        QCOMPARE(FisheyeMemory::Recall(QStringLiteral("/media/a.mvr"))->display,
                 FisheyeChoice::Display::Circle);
        QCOMPARE(FisheyeMemory::Recall(QStringLiteral("/media/a.mvr"))->circle.radius, 310.0);
    }

    void aRelativePathIsTheSameFile()
    {
        QDir(m_dir->path()).mkdir(QStringLiteral("clips"));
        const QString absolute = m_dir->path() + QStringLiteral("/clips/x.mvr");
        FisheyeMemory::Remember(QStringLiteral("clips/x.mvr"),
                                Dewarped(7, kPanoModeCeiling, 300.0));
        QVERIFY(FisheyeMemory::Recall(absolute).has_value());
        QCOMPARE(FisheyeMemory::KeyOf(absolute),
                 FisheyeMemory::KeyOf(QStringLiteral("clips/../clips/x.mvr")));
        QVERIFY(FisheyeMemory::KeyOf(absolute) !=
                FisheyeMemory::KeyOf(m_dir->path() + QStringLiteral("/clips/y.mvr")));
    }

    void keepsItsOwnGroupAndLeavesOtherSettings()
    {
        AppSettings::SetValue(QString::fromLatin1(AppSettings::kLanguageType),
                              QStringLiteral("en_us"));
        const QString path = QStringLiteral("/media/a.mvr");
        FisheyeMemory::Remember(path, Dewarped(8, kPanoModeCeiling, 300.0));
        QSettings ini = Ini();
        QCOMPARE(ini.value(QStringLiteral("Language/type")).toString(), QStringLiteral("en_us"));
        ini.beginGroup(QStringLiteral("Fisheye"));
        QCOMPARE(ini.childGroups(), QStringList{FisheyeMemory::KeyOf(path)});
        QCOMPARE(ini.value(FisheyeMemory::KeyOf(path) + QStringLiteral("/file")).toString(), path);
        QCOMPARE(ini.value(FisheyeMemory::KeyOf(path) + QStringLiteral("/display")).toString(),
                 QStringLiteral("dewarp"));
        QCOMPARE(ini.value(FisheyeMemory::KeyOf(path) + QStringLiteral("/mount")).toString(),
                 QStringLiteral("ceiling"));
    }

    void storesOnlyFisheyeChoicesWithACircle()
    {
        const QString path = QStringLiteral("/media/a.mvr");
        FisheyeChoice plain = Dewarped(8, kPanoModeCeiling, 300.0);
        plain.display = FisheyeChoice::Display::Plain;
        FisheyeMemory::Remember(path, plain);
        QVERIFY(!FisheyeMemory::Recall(path).has_value());
        FisheyeMemory::Remember(path, Dewarped(8, kPanoModeCeiling, 0.0));
        QVERIFY(!FisheyeMemory::Recall(path).has_value());

        // Back to the plain picture keeps the last fisheye choice on offer.
        FisheyeMemory::Remember(path, Dewarped(9, kPanoModeCeiling, 300.0));
        FisheyeMemory::Remember(path, plain);
        QCOMPARE(FisheyeMemory::Recall(path)->layout, 9);

        FisheyeMemory::Forget(path);
        QVERIFY(!FisheyeMemory::Recall(path).has_value());
    }

    void damagedEntriesAreNotOffered_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("unknown display") << "display" << QVariant(QStringLiteral("plain"));
        QTest::newRow("layout out of range") << "layout" << QVariant(14);
        QTest::newRow("layout not a number") << "layout" << QVariant(QStringLiteral("panorama"));
        QTest::newRow("unknown mount") << "mount" << QVariant(QStringLiteral("floor"));
        QTest::newRow("no radius") << "radius" << QVariant();
        QTest::newRow("no picture size") << "pictureHeight" << QVariant(0);
        QTest::newRow("unknown lens") << "lens" << QVariant(QStringLiteral("fisheye"));
        QTest::newRow("lens fov not a number") << "lensFov" << QVariant(QStringLiteral("wide"));
    }

    void damagedEntriesAreNotOffered()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        const QString path = QStringLiteral("/media/a.mvr");
        FisheyeMemory::Remember(path, Dewarped(2, kPanoModeCeiling, 300.0));
        QVERIFY(FisheyeMemory::Recall(path).has_value());
        {
            QSettings ini = Ini();
            const QString full =
                QStringLiteral("Fisheye/") + FisheyeMemory::KeyOf(path) + QLatin1Char('/') + key;
            if (value.isValid()) {
                ini.setValue(full, value);
            } else {
                ini.remove(full);
            }
        }
        QVERIFY(!FisheyeMemory::Recall(path).has_value());
    }

    void remembersTheLensAndReadsOlderChoicesAsTheDefaultLens()
    {
        const QString path = QStringLiteral("/media/a.mvr");
        FisheyeChoice choice = Dewarped(1, kPanoModeCeiling, 300.0);
        choice.lens = FisheyeLens::Make(FisheyeLens::Projection::Equisolid, 185);
        FisheyeMemory::Remember(path, choice);
        QCOMPARE(FisheyeMemory::Recall(path)->lens, choice.lens);
        {
            QSettings ini = Ini();
            const QString group = QStringLiteral("Fisheye/") + FisheyeMemory::KeyOf(path);
            QCOMPARE(ini.value(group + QStringLiteral("/lens")).toString(),
                     QStringLiteral("equisolid"));
            QCOMPARE(ini.value(group + QStringLiteral("/lensFov")).toDouble(), 185.0);
            // A value beyond what the projection allows is brought into range.
            ini.setValue(group + QStringLiteral("/lens"), QStringLiteral("orthographic"));
        }
        QCOMPARE(FisheyeMemory::Recall(path)->lens,
                 FisheyeLens::Make(FisheyeLens::Projection::Orthographic, 180));
        {
            // As stored before lenses could be chosen.
            QSettings ini = Ini();
            const QString group = QStringLiteral("Fisheye/") + FisheyeMemory::KeyOf(path);
            ini.remove(group + QStringLiteral("/lens"));
            ini.remove(group + QStringLiteral("/lensFov"));
        }
        const std::optional<FisheyeChoice> old = FisheyeMemory::Recall(path);
        QVERIFY(old.has_value());
        QVERIFY(old->lens.IsDefault());
        QCOMPARE(old->layout, 1);
    }

    void forgetsTheOldestFilesBeyondTheLimit()
    {
        const int extra = 3;
        for (int i = 0; i < FisheyeMemory::kMaxFiles + extra; ++i) {
            FisheyeMemory::Remember(FileNumber(i), Dewarped(i % 14, kPanoModeCeiling, 100.0 + i));
            if (i == FisheyeMemory::kMaxFiles) {
                // File 1 is chosen again: it is now among the newest.
                FisheyeMemory::Remember(FileNumber(1), Dewarped(5, kPanoModeCeiling, 101.0));
            }
        }
        QSettings ini = Ini();
        ini.beginGroup(QStringLiteral("Fisheye"));
        QCOMPARE(ini.childGroups().size(), FisheyeMemory::kMaxFiles);
        QVERIFY(!FisheyeMemory::Recall(FileNumber(0)).has_value());
        QVERIFY(!FisheyeMemory::Recall(FileNumber(2)).has_value());
        QVERIFY(!FisheyeMemory::Recall(FileNumber(3)).has_value());
        QCOMPARE(FisheyeMemory::Recall(FileNumber(1))->layout, 5);
        QVERIFY(FisheyeMemory::Recall(FileNumber(4)).has_value());
        QCOMPARE(
            FisheyeMemory::Recall(FileNumber(FisheyeMemory::kMaxFiles + extra - 1))->circle.radius,
            100.0 + FisheyeMemory::kMaxFiles + extra - 1);
    }
};

QTEST_GUILESS_MAIN(FisheyeMemoryTest)
#include "FisheyeMemoryTest.moc"
