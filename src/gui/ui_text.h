// Texts that come from the models (captions, combo entries, messages) in the operator's language.
// The models speak English, as the captions stand; the translation files carry these texts under
// one context, so a French station shows "Valider" where the model says "Set".
#pragma once

#include <QString>
#include <string_view>

namespace orvex::gui {

inline constexpr const char* kModelTextContext = "Orvex";

QString TranslatedModelText(std::string_view text);

}  // namespace orvex::gui
