// The toolkit's field messages: their text, and the focus back on the field.
#include "gui/message_box.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/gui_test_support.h"

namespace orvex::gui {
namespace {

using testing::ModalAnswerer;

TEST(FieldMessageTest, ShowsTheTextThenFocusesTheFieldWithItsTextSelected) {
  const std::pair<std::function<void(QWidget*, QWidget*)>, QString> messages[] = {
      {[](QWidget* parent, QWidget* field) { ShowRangeMessage(parent, field, 40, 180); },
       QStringLiteral("Please enter an integer between 40 and 180.")},
      {[](QWidget* parent, QWidget* field) { ShowNumberMessage(parent, field, true); },
       QStringLiteral("Please enter an integer.")},
      {[](QWidget* parent, QWidget* field) { ShowNumberMessage(parent, field, false); },
       QStringLiteral("Please enter a number.")}};
  for (const auto& [show, text] : messages) {
    SCOPED_TRACE(text.toStdString());
    QDialog window;
    auto* other = new QLineEdit(&window);
    auto* field = new QLineEdit(QStringLiteral("39"), &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(field);
    window.show();
    other->setFocus();
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Accept());
    show(&window, field);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text, text);
    EXPECT_EQ(window.focusWidget(), field);
    EXPECT_EQ(field->selectedText(), QStringLiteral("39"));
  }
}

TEST(AskYesNoTest, IsTrueOnlyForYes) {
  ModalAnswerer answerer;
  answerer.Then(ModalAnswerer::Accept()).Then(ModalAnswerer::Reject());
  EXPECT_TRUE(AskYesNo(nullptr, "Overwrite?", "Orvex"));
  EXPECT_FALSE(AskYesNo(nullptr, "Overwrite?", "Orvex"));
  EXPECT_EQ(answerer.Seen().at(1).text, QStringLiteral("Overwrite?"));
}

}  // namespace
}  // namespace orvex::gui
