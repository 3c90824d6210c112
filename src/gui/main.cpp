// orvex: the operator's window beside the cutter.
#include "gui/orvex_application.h"

int main(int argc, char** argv) {
  return orvex::gui::RunOrvex(argc, argv);
}
