#pragma once

#include "platform/SharedPath.h"

#include <QString>

#include <cstddef>
#include <filesystem>
#include <string>

namespace paceforge {

// How a workout file stands beside a file of its name (letter case aside) in its sensor's other
// folder.
enum class Namesake {
    None,
    // The same workout (SameWorkout): the record of the synched file stands for both.
    SameWorkout,
    // Other bytes: two versions of one run, each listed and marked.
    Differs,
};

// One workout file on an iPod, as the catalogue found it, with everything a flow needs to read
// it, change it (an edit goes to the sensor's latest folder) and keep a copy of it (the backups
// are filed by volume and sensor). Every part of the program passes workouts as this record.
struct StoredWorkout {
    QString volume;
    SharedPath ipodRoot;
    std::string sensor;
    SharedPath latestFolder;
    SharedPath synchedFolder;
    // The latest or synched folder that holds the file, as the disk spells it.
    SharedPath folder;
    std::string fileName;
    bool synched = false;
    // The catalogue's numbering, from 1: the sensor folder, and the file within it.
    long long sensorIndex = 0;
    long long fileIndex = 0;
    Namesake namesake = Namesake::None;
    // The index, in the catalogue, of the record that stands for this file's workout: its own
    // unless it is the latest copy of a workout kept in both folders.
    std::size_t workout = 0;

    std::filesystem::path fullPath() const { return folder.get() / fileName; }
    // Whether the run waits in no latest folder: a workout kept in both folders is not synched yet.
    bool shownAsSynched() const { return synched && namesake != Namesake::SameWorkout; }
    // Where an edit or a correction writes it: a synched file moves to latest.
    std::filesystem::path editTarget() const { return latestFolder.get() / fileName; }
};

} // namespace paceforge
