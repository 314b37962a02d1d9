#pragma once

#include "engine/Provider.h"
#include "engine/TranslationProviderAdapter.h"

#include <memory>

namespace ovisu {

// The adapter that serves a source; nothing for the system translator, which has no HTTP adapter.
// The custom source speaks chat completions or Responses depending on its endpoint.
std::shared_ptr<const TranslationProviderAdapter> providerAdapter(Provider provider, const QString& endpoint);

}  // namespace ovisu
