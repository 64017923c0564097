#pragma once

#include <chrono>

namespace liedspur {

// How long the index window waits for a file system before it takes the silence for an
// answer: a share whose server has gone may never answer.
struct Patience {
    // A drive or folder the user chose, before it counts as not answering.
    std::chrono::milliseconds choice{3000};
    // A folder of the tree, before it shows as being read, and then as empty.
    std::chrono::milliseconds treeReading{1000};
    std::chrono::milliseconds treeEmpty{10000};
    // A folder of a run, before the run passes over it; and once a folder of a mount did
    // not answer, the next ones on that mount until one answers.
    std::chrono::milliseconds runFolder{15000};
    std::chrono::milliseconds runFolderOnSilentMount{1000};
};

} // namespace liedspur
