// Subtitle files found beside a video by their names, in a scratch folder:
// which names belong to the video, their order, and the language part.

#include "ExternalSubtitles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

void Touch(const QDir& folder, const QStringList& names)
{
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(name));
        file.write("1\n00:00:01,000 --> 00:00:02,000\nHello\n\n");
    }
}

QStringList FileNames(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        names.append(info.isAbsolute() ? info.fileName() : QStringLiteral("relative: ") + path);
    }
    return names;
}

} // namespace

class TestExternalSubtitles : public QObject
{
    Q_OBJECT

private slots:
    void findsNamesOfTheVideoExactOnesFirst();
    void baseNameIsAllButTheLastSuffix();
    void neverListsTheVideoOrFolders();
    void missingFolderFindsNothing();
    void languageIsTheOneExtraPart_data();
    void languageIsTheOneExtraPart();
};

void TestExternalSubtitles::findsNamesOfTheVideoExactOnesFirst()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QDir folder(scratch.path());
    Touch(folder, {"clip.mp4", "clip.srt", "clip.ASS", "clip.vtt", "clip.mp4.srt", "clip.en.srt",
                   "clip.zh-CN.ass", "clip.fr.VTT", "clip.de.ssa"});
    // Not the video's: other suffixes, other names, two extra parts, an
    // empty part, a name differing in case.
    Touch(folder, {"clip.txt", "clip.srt.bak", "clip.idx", "clip2.srt", "other.srt",
                   "clip.en.forced.srt", "clip..srt", "Clip.srt", "xclip.srt", "clip"});

    const QStringList found = ExternalSubtitles::Find(folder.filePath("clip.mp4"));
    const QStringList expected = {"clip.ASS",    "clip.mp4.srt", "clip.srt",    "clip.vtt",
                                  "clip.de.ssa", "clip.en.srt",  "clip.fr.VTT", "clip.zh-CN.ass"};
    QCOMPARE(FileNames(found), expected);
    for (const QString& path : found)
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(scratch.path()).absoluteFilePath());
}

void TestExternalSubtitles::baseNameIsAllButTheLastSuffix()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QDir folder(scratch.path());
    Touch(folder, {"My.Show.S01E02.mkv", "My.Show.S01E02.srt", "My.Show.S01E02.en.srt",
                   "My.Show.srt", "My.Show.S01E02.1080p.en.srt", "untitled", "untitled.srt"});
    QCOMPARE(FileNames(ExternalSubtitles::Find(folder.filePath("My.Show.S01E02.mkv"))),
             QStringList({"My.Show.S01E02.srt", "My.Show.S01E02.en.srt"}));
    // A video without a suffix: the whole name is the base.
    QCOMPARE(FileNames(ExternalSubtitles::Find(folder.filePath("untitled"))),
             QStringList({"untitled.srt"}));
}

void TestExternalSubtitles::neverListsTheVideoOrFolders()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QDir folder(scratch.path());
    Touch(folder, {"talk.ass", "talk.srt"});
    QVERIFY(folder.mkdir("talk.vtt"));
    QCOMPARE(FileNames(ExternalSubtitles::Find(folder.filePath("talk.ass"))),
             QStringList({"talk.srt"}));
}

void TestExternalSubtitles::missingFolderFindsNothing()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QVERIFY(ExternalSubtitles::Find(scratch.filePath("gone/clip.mp4")).isEmpty());
    QVERIFY(ExternalSubtitles::Find(QString()).isEmpty());
}

void TestExternalSubtitles::languageIsTheOneExtraPart_data()
{
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QString>("video");
    QTest::addColumn<QString>("language");
    QTest::newRow("en") << "/films/clip.en.srt"
                        << "/films/clip.mkv"
                        << "en";
    QTest::newRow("region") << "/films/clip.zh-CN.ass"
                            << "/films/clip.mkv"
                            << "zh-CN";
    QTest::newRow("case kept") << "/films/clip.PT-br.SRT"
                               << "/films/clip.mkv"
                               << "PT-br";
    QTest::newRow("exact name") << "/films/clip.srt"
                                << "/films/clip.mkv"
                                << "";
    QTest::newRow("after the whole name") << "/films/clip.mkv.srt"
                                          << "/films/clip.mkv"
                                          << "";
    QTest::newRow("two extra parts") << "/films/clip.en.sdh.srt"
                                     << "/films/clip.mkv"
                                     << "";
    QTest::newRow("another video's") << "/films/other.en.srt"
                                     << "/films/clip.mkv"
                                     << "";
    QTest::newRow("dotted base") << "/tv/A.B.C.fr.vtt"
                                 << "/tv/A.B.C.mp4"
                                 << "fr";
    QTest::newRow("not a subtitle") << "/films/clip.en.txt"
                                    << "/films/clip.mkv"
                                    << "";
}

void TestExternalSubtitles::languageIsTheOneExtraPart()
{
    QFETCH(QString, subtitle);
    QFETCH(QString, video);
    QFETCH(QString, language);
    QCOMPARE(ExternalSubtitles::LanguageOf(subtitle, video), language);
}

QTEST_GUILESS_MAIN(TestExternalSubtitles)
#include "test_external_subtitles.moc"
