#pragma once

#include "engine/Provider.h"

#include <QString>

#include <optional>

namespace ovisu {

// Turns a failure (the service's or the transport's words, and the HTTP status) into one
// actionable Chinese sentence headed by the source's title.
namespace TranslationErrorGuide {

QString message(const std::optional<QString>& detail, std::optional<int> httpStatus, const QString& providerName,
                bool isLocal, std::optional<int> localPort);
// The same, for one of the catalogue's sources.
QString messageFor(const std::optional<QString>& detail, std::optional<int> httpStatus, Provider provider);

}  // namespace TranslationErrorGuide
}  // namespace ovisu
