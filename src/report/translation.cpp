#include "report/translation.h"

namespace {
TTextTranslator& Installed() {
  static TTextTranslator translator;
  return translator;
}
}  // namespace

std::string TranslatedText(const char* context, const char* source) {
  const TTextTranslator& translator = Installed();
  return translator ? translator(context, source) : std::string(source);
}

void SetTextTranslator(TTextTranslator translator) { Installed() = std::move(translator); }
