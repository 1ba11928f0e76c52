// The lens function (polar angle and azimuth to picture coordinates in circle
// units, and back) for the four projections, and the mesh store's texture
// coordinates rewritten for a lens. No GL.

#include "FisheyeLens.h"
#include "PanoMeshStore.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{

using Projection = FisheyeLens::Projection;

constexpr double kPi = 3.14159265358979323846;
constexpr Projection kProjections[] = {Projection::Equidistant, Projection::Equisolid,
                                       Projection::Stereographic, Projection::Orthographic};

double Radians(double degrees)
{
    return degrees * kPi / 180.0;
}

// Every lens the tests walk through: each projection at the ends and the
// middle of its range and at the common 185 and 220-degree designs.
std::vector<FisheyeLens> Lenses()
{
    std::vector<FisheyeLens> lenses;
    for (const Projection projection : kProjections) {
        for (const double fov : {120.0, 180.0, 185.0, 220.0, 240.0}) {
            if (fov <= FisheyeLens::MaxFovDegrees(projection)) {
                lenses.push_back(FisheyeLens::Make(projection, fov));
            }
        }
    }
    return lenses;
}

QString Describe(const FisheyeLens& lens)
{
    return QStringLiteral("%1 %2").arg(FisheyeLens::Name(lens.projection)).arg(lens.fovDegrees);
}

std::vector<float> TexCoords(PanoMeshStore& store, int set)
{
    float* coords = nullptr;
    int count = 0;
    if (!store.GetTexCoords(set, coords, count)) {
        return {};
    }
    return std::vector<float>(coords, coords + count * 2);
}

} // namespace

class FisheyeLensTest : public QObject
{
    Q_OBJECT

private slots:
    void rimLiesAtHalfTheFieldOfView();
    void projectionsFollowTheirFormulas();
    void inverseAndDirectionRoundTrip();
    void radiusGrowsWithTheAngle();
    void rangesAndNames();
    void defaultRemapKeepsEveryBit();
    void remapPlacesEachDirectionWhereTheLensDoes();
    void meshStoreFollowsTheLens();
};

void FisheyeLensTest::rimLiesAtHalfTheFieldOfView()
{
    for (const FisheyeLens& lens : Lenses()) {
        const double half = Radians(lens.fovDegrees) / 2;
        QVERIFY2(std::fabs(lens.RadiusAt(half) - 1.0) < 1e-12, qPrintable(Describe(lens)));
        QVERIFY2(std::fabs(lens.RadiusAt(0.0)) < 1e-15, qPrintable(Describe(lens)));
    }
}

void FisheyeLensTest::projectionsFollowTheirFormulas()
{
    const auto at = [](Projection projection, double fov, double degrees) {
        return FisheyeLens::Make(projection, fov).RadiusAt(Radians(degrees));
    };
    // 180 degrees: the rim at 90 degrees from the axis.
    QCOMPARE(at(Projection::Equidistant, 180, 45), 0.5);
    QVERIFY(std::fabs(at(Projection::Equisolid, 180, 60) - std::sqrt(0.5)) < 1e-12);
    QVERIFY(std::fabs(at(Projection::Stereographic, 180, 45) - (std::sqrt(2.0) - 1)) < 1e-12);
    QVERIFY(std::fabs(at(Projection::Orthographic, 180, 30) - 0.5) < 1e-12);
    // Wider lenses put the horizon inside the circle.
    QVERIFY(std::fabs(at(Projection::Equidistant, 240, 90) - 0.75) < 1e-12);
    QVERIFY(std::fabs(at(Projection::Equisolid, 220, 90) -
                      std::sin(Radians(45)) / std::sin(Radians(55))) < 1e-12);
    QVERIFY(std::fabs(at(Projection::Stereographic, 200, 90) - 1 / std::tan(Radians(50))) < 1e-12);
    // A narrower one reaches the rim before the horizon.
    QVERIFY(std::fabs(at(Projection::Orthographic, 120, 60) - 1.0) < 1e-12);
    QVERIFY(std::fabs(at(Projection::Equidistant, 120, 90) - 1.5) < 1e-12);
}

void FisheyeLensTest::inverseAndDirectionRoundTrip()
{
    for (const FisheyeLens& lens : Lenses()) {
        const double reach = lens.projection == Projection::Orthographic
                                 ? std::min(lens.fovDegrees / 2, 89.0)
                                 : lens.fovDegrees / 2;
        for (double degrees = 0; degrees <= reach; degrees += reach / 16) {
            const double polar = Radians(degrees);
            QVERIFY2(std::fabs(lens.PolarAngleAt(lens.RadiusAt(polar)) - polar) < 1e-9,
                     qPrintable(Describe(lens) + QStringLiteral(" at %1").arg(degrees)));
            for (const double azimuthDegrees : {-170.0, -90.0, 0.0, 30.0, 135.0}) {
                double x = 0;
                double y = 0;
                lens.PictureCoord(polar, Radians(azimuthDegrees), x, y);
                double backPolar = 0;
                double backAzimuth = 0;
                lens.Direction(x, y, backPolar, backAzimuth);
                QVERIFY(std::fabs(backPolar - polar) < 1e-9);
                if (degrees > 0) {
                    QVERIFY2(std::fabs(backAzimuth - Radians(azimuthDegrees)) < 1e-9,
                             qPrintable(Describe(lens)));
                }
            }
        }
    }
    // x right and y down the picture: azimuth 90 degrees points down.
    double x = 0;
    double y = 0;
    FisheyeLens().PictureCoord(Radians(45), Radians(90), x, y);
    QVERIFY(std::fabs(x) < 1e-12 && std::fabs(y - 0.5) < 1e-12);
    // An orthographic picture ends at the horizon.
    QCOMPARE(FisheyeLens::Make(Projection::Orthographic, 180).PolarAngleAt(1.5), kPi / 2);
}

void FisheyeLensTest::radiusGrowsWithTheAngle()
{
    for (const FisheyeLens& lens : Lenses()) {
        const double reach = std::min(Radians(lens.fovDegrees) / 2,
                                      lens.projection == Projection::Orthographic ? kPi / 2 : kPi);
        double last = -1;
        for (int step = 0; step <= 64; ++step) {
            const double radius = lens.RadiusAt(reach * step / 64);
            QVERIFY2(radius > last, qPrintable(Describe(lens)));
            last = radius;
        }
    }
}

void FisheyeLensTest::rangesAndNames()
{
    QCOMPARE(FisheyeLens::Make(Projection::Orthographic, 220).fovDegrees, 180.0);
    QCOMPARE(FisheyeLens::Make(Projection::Stereographic, 260).fovDegrees, 240.0);
    QCOMPARE(FisheyeLens::Make(Projection::Equisolid, 90).fovDegrees, 120.0);
    QCOMPARE(FisheyeLens::Make(Projection::Equisolid, std::nan("")).fovDegrees, 180.0);
    QVERIFY(FisheyeLens().IsDefault());
    QVERIFY(!FisheyeLens::Make(Projection::Equidistant, 185).IsDefault());
    QVERIFY(!FisheyeLens::Make(Projection::Equisolid, 180).IsDefault());
    for (const Projection projection : kProjections) {
        QCOMPARE(FisheyeLens::FromName(FisheyeLens::Name(projection)), projection);
    }
    QCOMPARE(FisheyeLens::Name(Projection::Stereographic), QStringLiteral("stereographic"));
    QVERIFY(!FisheyeLens::FromName(QStringLiteral("Equisolid")).has_value());
    QVERIFY(!FisheyeLens::FromName(QString()).has_value());
}

void FisheyeLensTest::defaultRemapKeepsEveryBit()
{
    const std::vector<float> in = {0.0f, 0.0f, 0.3f, -0.4f, 1.0f, 0.0f, -0.70710677f, 0.70710677f};
    std::vector<float> out(in.size(), 7.0f);
    FisheyeLens().RemapFromDefault(in.data(), out.data(), int(in.size() / 2));
    QVERIFY(std::memcmp(in.data(), out.data(), in.size() * sizeof(float)) == 0);
}

void FisheyeLensTest::remapPlacesEachDirectionWhereTheLensDoes()
{
    for (const FisheyeLens& lens : Lenses()) {
        for (const double degrees : {0.0, 10.0, 45.0, 80.0, 90.0}) {
            for (const double azimuthDegrees : {-120.0, 0.0, 60.0}) {
                const double polar = Radians(degrees);
                const double azimuth = Radians(azimuthDegrees);
                double x = 0;
                double y = 0;
                FisheyeLens().PictureCoord(polar, azimuth, x, y);
                float coord[2] = {float(x), float(y)};
                lens.RemapFromDefault(coord, coord, 1); // in place
                lens.PictureCoord(polar, azimuth, x, y);
                QVERIFY2(std::fabs(coord[0] - x) < 1e-5 && std::fabs(coord[1] - y) < 1e-5,
                         qPrintable(Describe(lens) + QStringLiteral(" at %1").arg(degrees)));
            }
        }
    }
}

void FisheyeLensTest::meshStoreFollowsTheLens()
{
    PanoMeshStore empty;
    QVERIFY(!empty.ApplyLens(FisheyeLens::Make(Projection::Equisolid, 200)));

    PanoMeshStore store;
    QVERIFY(store.Load());
    std::vector<std::vector<float>> original;
    for (int set = 0; set < PanoMeshStore::kMaxSets; ++set) {
        original.push_back(TexCoords(store, set));
    }
    float* diskBefore = nullptr;
    int count = 0;
    QVERIFY(store.GetTexCoords(0, diskBefore, count));

    const FisheyeLens lens = FisheyeLens::Make(Projection::Stereographic, 220);
    QVERIFY(store.ApplyLens(lens));
    QCOMPARE(store.Lens(), lens);
    float* diskAfter = nullptr;
    QVERIFY(store.GetTexCoords(0, diskAfter, count));
    QCOMPARE(diskAfter, diskBefore); // rewritten in place: the models' pointers stay good
    for (int set = 0; set < PanoMeshStore::kFisheyeSets; ++set) {
        std::vector<float> expected = original[size_t(set)];
        lens.RemapFromDefault(expected.data(), expected.data(), int(expected.size() / 2));
        QVERIFY2(TexCoords(store, set) == expected, qPrintable(QString::number(set)));
        QVERIFY(TexCoords(store, set) != original[size_t(set)]);
    }
    // The picture rectangle is no fisheye coordinate.
    QVERIFY(TexCoords(store, PanoMeshStore::kFisheyeSets) == original[PanoMeshStore::kFisheyeSets]);

    // Lens after lens, never compounded; the default brings back the file's.
    QVERIFY(store.ApplyLens(FisheyeLens::Make(Projection::Equisolid, 185)));
    QVERIFY(store.ApplyLens(lens));
    for (int set = 0; set < PanoMeshStore::kFisheyeSets; ++set) {
        std::vector<float> expected = original[size_t(set)];
        lens.RemapFromDefault(expected.data(), expected.data(), int(expected.size() / 2));
        QVERIFY(TexCoords(store, set) == expected);
    }
    QVERIFY(store.ApplyLens(FisheyeLens()));
    for (int set = 0; set < PanoMeshStore::kMaxSets; ++set) {
        QVERIFY(TexCoords(store, set) == original[size_t(set)]);
    }
}

QTEST_GUILESS_MAIN(FisheyeLensTest)
#include "FisheyeLensTest.moc"
