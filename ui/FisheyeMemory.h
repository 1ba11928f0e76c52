#pragma once

#include "FisheyeChoice.h"

#include <QString>

#include <optional>

// The last fisheye choice made for each file, kept in "account.ini" under the
// group "Fisheye" so that it can be offered when the file is opened again.
// Like every other component, it opens the settings file where it needs a
// value and drops it afterwards.
//
// Each file has a subgroup named by the SHA-1 of its absolute path (paths hold
// characters the INI keys cannot) with the keys "file" (the path, for the
// reader of the file), "display" ("zoom", "circle" or "dewarp"), "layout"
// (0 to 13), "mount" ("ceiling" or "wall"), "centreX", "centreY", "radius"
// (picture pixels), "pictureWidth", "pictureHeight", "lens" ("equidistant",
// "equisolid", "stereographic" or "orthographic"), "lensFov" (degrees) and
// "order" (larger for later choices). A choice stored without the lens keys
// (before lenses could be chosen) has the default lens, equidistant 180
// degrees, which is what it was watched with. At most kMaxFiles files are
// kept; the oldest go first.
//
// Threads: any; QSettings serialises access to the file.
class FisheyeMemory
{
public:
    static const char* const kGroup;
    static constexpr int kMaxFiles = 200;

    // Stores a fisheye display with its circle; a plain display, or a choice
    // without a circle, is not a fisheye choice and leaves the memory as it is.
    static void Remember(const QString& filePath, const FisheyeChoice& choice);
    // The stored choice; none when there is none or it is damaged.
    static std::optional<FisheyeChoice> Recall(const QString& filePath);
    static void Forget(const QString& filePath);
    // The file's subgroup.
    static QString KeyOf(const QString& filePath);
};
