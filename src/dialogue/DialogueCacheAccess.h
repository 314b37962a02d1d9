#pragma once

#include <QString>

#include <optional>

namespace ovisu {

// What the pipeline needs of the dialogue translation cache; the cache itself lives with the
// capture pipeline, above the engine.
class DialogueCacheAccess {
public:
    virtual ~DialogueCacheAccess() = default;
    // The cached translation, or nothing (a miss, or an entry past its lifetime).
    virtual std::optional<QString> resolve(const QString& key) = 0;
    virtual void save(const QString& key, const QString& source, const QString& translation) = 0;
};

}  // namespace ovisu
