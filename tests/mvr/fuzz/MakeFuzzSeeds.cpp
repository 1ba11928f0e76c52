// Writes the seed corpus of the parser fuzz target under the folder given:
// small well-formed and malformed MVR files, plus the muxed clip if given.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "MvrBuilder.h"

namespace {

bool WriteSeed(const QDir& folder, const QString& name, const QByteArray& bytes)
{
    QFile file(folder.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

MvrBuilder::Record Cut(std::uint8_t type, int timestampMs, int payloadBytes, std::int64_t length)
{
    MvrBuilder::Record record;
    record.type = type;
    record.timestampMs = timestampMs;
    record.payload = QByteArray(payloadBytes, 'c');
    record.lengthOverride = length;
    return record;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    // DIR/seeds gets the corpus, DIR/work is emptied for what the fuzzer finds.
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: mvr-fuzz-seeds DIR [EXTRA-SEED...]\n");
        return 2;
    }
    const QDir root(arguments[1]);
    QDir work(root.filePath(QStringLiteral("work")));
    if ((work.exists() && !work.removeRecursively()) || !root.mkpath(QStringLiteral("work"))
        || !root.mkpath(QStringLiteral("seeds"))) {
        std::fprintf(stderr, "mvr-fuzz-seeds: cannot prepare %s\n", qPrintable(arguments[1]));
        return 1;
    }
    const QDir folder(root.filePath(QStringLiteral("seeds")));
    const QByteArray indexed =
        MvrBuilder().indexRecord(0, 0).indexRecord(80, 3).setIndexSize(24)
            .addRecord(1, 0, 20).addRecord(4, 0, 16).addRecord(2, 40, 12).addRecord(1, 80, 20).addRecord(5, 90, 3)
            .build();
    bool written = WriteSeed(folder, QStringLiteral("indexed.mvr"), indexed)
        && WriteSeed(folder, QStringLiteral("no-index.mvr"),
            MvrBuilder().addRecord(4, 0, 8).addRecord(1, 0, 9).addRecord(2, 40, 7).build())
        && WriteSeed(folder, QStringLiteral("payload-past-end.mvr"),
            MvrBuilder().indexRecord(0, 0).addRecord(1, 0, 10).addRecord(Cut(2, 40, 10, 4000)).build())
        && WriteSeed(folder, QStringLiteral("index-past-data.mvr"),
            MvrBuilder().setIndexSize(4096).setIndexCount(900).addRecord(1, 0, 10).build())
        && WriteSeed(folder, QStringLiteral("short.mvr"), indexed.left(300));
    for (int i = 2; i < arguments.size() && written; ++i) {
        QFile extra(arguments[i]);
        written = extra.open(QIODevice::ReadOnly)
            && WriteSeed(folder, QStringLiteral("extra-%1.mvr").arg(i - 1), extra.readAll());
    }
    return written ? 0 : 1;
}
