// The toolkit's field messages: their text, and the focus back on the field with its text
// selected; the yes/no question, true only for Yes.
#include "gui/message_box.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/gui_test_support.h"

namespace orvex::gui {
namespace {

using testing::ModalAnswerer;

TEST(MessageBoxTest, FieldMessagesFocusTheFieldWithItsTextSelectedAndAskYesNoIsTrueOnlyForYes) {
  QDialog window;
  auto* other = new QLineEdit(&window);
  auto* field = new QLineEdit(QStringLiteral("39"), &window);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(other);
  layout->addWidget(field);
  window.show();
  ModalAnswerer answerer;
  for (int message = 0; message < 3; ++message) {
    other->setFocus();
    answerer.Then(ModalAnswerer::Accept());
    if (message == 0) ShowRangeMessage(&window, field, 40, 180);
    if (message > 0) ShowNumberMessage(&window, field, message == 1);
    EXPECT_EQ(window.focusWidget(), field) << message;
    EXPECT_EQ(field->selectedText(), QStringLiteral("39")) << message;
  }
  answerer.Then(ModalAnswerer::Accept()).Then(ModalAnswerer::Reject());
  EXPECT_TRUE(AskYesNo(nullptr, "Overwrite?", "Orvex"));
  EXPECT_FALSE(AskYesNo(nullptr, "Overwrite?", "Orvex"));
  EXPECT_EQ(answerer.Shown(),
            QStringList({"Please enter an integer between 40 and 180.", "Please enter an integer.",
                         "Please enter a number.", "Overwrite?", "Overwrite?"}));
}

}  // namespace
}  // namespace orvex::gui
