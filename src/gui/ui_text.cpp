#include "gui/ui_text.h"

#include <QCoreApplication>
#include <string>

namespace orvex::gui {

namespace {

// The texts the models give the window's controls, listed so that lupdate keeps them in the
// translation files (the models themselves know nothing of the toolkit).
[[maybe_unused]] constexpr const char* kModelTexts[] = {
    QT_TRANSLATE_NOOP("Orvex", "Start"),
    QT_TRANSLATE_NOOP("Orvex", "Stop"),
    QT_TRANSLATE_NOOP("Orvex", "Pause"),
    QT_TRANSLATE_NOOP("Orvex", "Resume"),
    QT_TRANSLATE_NOOP("Orvex", "First Marker"),
    QT_TRANSLATE_NOOP("Orvex", "Calibration"),
    QT_TRANSLATE_NOOP("Orvex", "inch"),
    QT_TRANSLATE_NOOP("Orvex", "Cutter off line !"),
    QT_TRANSLATE_NOOP("Orvex", "Load media !"),
    QT_TRANSLATE_NOOP("Orvex", "Cutter ready"),
    QT_TRANSLATE_NOOP("Orvex", "Open last job"),
    QT_TRANSLATE_NOOP("Orvex", "&About Orvex..."),
    QT_TRANSLATE_NOOP("Orvex", "Dashed line"),
    QT_TRANSLATE_NOOP("Orvex", "Half Cutting"),
    QT_TRANSLATE_NOOP("Orvex", "Blade creasing"),
    QT_TRANSLATE_NOOP("Orvex", "Tool Creasing"),
    QT_TRANSLATE_NOOP("Orvex", "Front Tool Creasing"),
    QT_TRANSLATE_NOOP("Orvex", " Read 2 markers"),
    QT_TRANSLATE_NOOP("Orvex", " Cut without reading"),
    QT_TRANSLATE_NOOP("Orvex", " Read 4 cropmarks"),
    QT_TRANSLATE_NOOP("Orvex", " Markerless"),
};

// Texts the models build as a fixed part and then a file name or number: the fixed part is
// translated, the rest kept as it is.
constexpr const char* kModelPrefixes[] = {
    QT_TRANSLATE_NOOP("Orvex", "Current job: "),
};

}  // namespace

QString TranslatedModelText(std::string_view text) {
  for (const char* prefix : kModelPrefixes) {
    const std::string_view fixed(prefix);
    if (text.size() > fixed.size() && text.substr(0, fixed.size()) == fixed) {
      return QCoreApplication::translate(kModelTextContext, prefix) +
             QString::fromUtf8(text.data() + fixed.size(),
                               static_cast<qsizetype>(text.size() - fixed.size()));
    }
  }
  const std::string source(text);
  return QCoreApplication::translate(kModelTextContext, source.c_str());
}

}  // namespace orvex::gui
