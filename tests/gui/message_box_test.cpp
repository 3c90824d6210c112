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

struct FieldMessageCase {
  const char* name;
  std::function<void(QWidget*, QWidget*)> show;
  const char* text;
};

class FieldMessageTest : public ::testing::TestWithParam<FieldMessageCase> {};

TEST_P(FieldMessageTest, ShowsTheTextThenFocusesTheFieldWithItsTextSelected) {
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
  GetParam().show(&window, field);

  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].text, QString::fromUtf8(GetParam().text));
  EXPECT_EQ(window.focusWidget(), field);
  EXPECT_EQ(field->selectedText(), QStringLiteral("39"));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FieldMessageTest,
    ::testing::Values(FieldMessageCase{"Range",
                                       [](QWidget* parent, QWidget* field) {
                                         ShowRangeMessage(parent, field, 40, 180);
                                       },
                                       "Please enter an integer between 40 and 180."},
                      FieldMessageCase{"Integer",
                                       [](QWidget* parent, QWidget* field) {
                                         ShowNumberMessage(parent, field, true);
                                       },
                                       "Please enter an integer."},
                      FieldMessageCase{"Number",
                                       [](QWidget* parent, QWidget* field) {
                                         ShowNumberMessage(parent, field, false);
                                       },
                                       "Please enter a number."}),
    [](const ::testing::TestParamInfo<FieldMessageCase>& info) { return info.param.name; });

TEST(AskYesNoTest, IsTrueOnlyForYes) {
  ModalAnswerer answerer;
  answerer.Then(ModalAnswerer::Accept()).Then(ModalAnswerer::Reject());
  EXPECT_TRUE(AskYesNo(nullptr, "Overwrite?", "Orvex"));
  EXPECT_FALSE(AskYesNo(nullptr, "Overwrite?", "Orvex"));
  EXPECT_EQ(answerer.Seen().at(1).text, QStringLiteral("Overwrite?"));
}

}  // namespace
}  // namespace orvex::gui
