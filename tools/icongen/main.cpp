// icongen: draws the player's icon set and writes it, with the resource
// file that lists it, into a folder.
//
//   icongen OUTPUT_DIR
//
// Every button image comes as a pair: NAME_nor.png (normal) and NAME_pre.png
// (hovered or pressed, in the accent colour). Images are drawn at twice the
// size they are shown at, since style-sheet images only ever scale down.
#include "IconPainter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

#include <cstdio>

namespace {

bool WriteQrc(const QString& folder, const QStringList& files)
{
    QFile qrc(folder + QStringLiteral("/vorel_images.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream out(&qrc);
    out << "<RCC>\n  <qresource prefix=\"/img\">\n";
    for (const QString& file : files) {
        out << "    <file>" << file << "</file>\n";
    }
    out << "  </qresource>\n</RCC>\n";
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Text is drawn with the system fonts, which need a GUI application; no
    // display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT_DIR\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QStringList written;
    for (const IconPainter::Icon& icon : IconPainter::AllIcons()) {
        const QImage image = IconPainter::Render(icon);
        if (!image.save(folder + QLatin1Char('/') + icon.fileName)) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(icon.fileName));
            return 1;
        }
        written << icon.fileName;
    }
    if (!WriteQrc(folder, written)) {
        std::fprintf(stderr, "icongen: cannot write the resource file\n");
        return 1;
    }
    return 0;
}
