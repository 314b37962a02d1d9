#pragma once

#include <QString>

#include <expected>
#include <functional>
#include <span>

namespace ovisu::test {

// Which of a store's two known contents its own reader finds on disk.
enum class StoreContent { first, second, empty, unreadable, unexpected };

const char* storeContentName(StoreContent content);

struct StoreReading {
    StoreContent content = StoreContent::unexpected;
    QString detail;  // what the reader said, when it is neither known content
};

// One store, as the crash and full-disk tests and the ovisu-store-writer program use it. Both
// contents share a bulk of a few hundred KB (so that a write takes a while) and differ in one
// record, entry or value, the way the program changes them.
struct StoreSample {
    const char* name;               // the writer's command-line name
    std::function<QString()> file;  // in the running process's OVISU_HOME
    // Writes one of the two contents through the store's own API, laying down the shared bulk
    // first when the file does not hold it yet.
    std::function<std::expected<void, QString>(StoreContent which)> write;
    // Reads the file through the store's own reader, as a fresh instance of the store would.
    std::function<StoreReading()> read;
};

std::span<const StoreSample> storeSamples();
const StoreSample* storeSampleNamed(const QString& name);

}  // namespace ovisu::test
