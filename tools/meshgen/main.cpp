// meshgen: writes the dewarp meshes as the compressed mesh-store resource.
// Usage: meshgen OUTPUT_FILE

#include "MeshGenerator.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: meshgen OUTPUT_FILE\n");
        return 2;
    }
    const MeshGenerator generator;
    // Maximum zlib level: the resource is built once and read at every start.
    const QByteArray compressed = qCompress(generator.Serialize(), 9);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(compressed) != compressed.size() || !file.flush()) {
        std::fprintf(stderr, "meshgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
