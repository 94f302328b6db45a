#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ops/filecommands.h"
#include "ops/filecommands_texts.h"
#include "ops/namedbuttons.h"

namespace zarn {
namespace {

constexpr int DesignedHeight = 280;

// The delete question: a warning with the names, the trash check box, and Yes
// (the default) and No (also Escape). Closing it by its close box answers
// nothing at all.
class TDeleteQuestion final : public QDialog {
 public:
  TDeleteQuestion(const QString& text, bool toTrash) : QDialog(QApplication::activeWindow()) {
    setObjectName(QStringLiteral("DeleteQuestion"));
    setWindowTitle(DeleteConfirmationCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(MessageRow(text), 1);
    ToTrash = new QCheckBox(DeleteToTrashCaption, this);
    ToTrash->setObjectName(QStringLiteral("DeleteToTrash"));
    ToTrash->setMinimumWidth(130);
    ToTrash->setChecked(toTrash);
    layout->addWidget(ToTrash);
    layout->addLayout(ButtonRow());
    setFixedHeight(DesignedHeight);
    setMinimumWidth(360);
  }

  DeleteAnswer Answer = DeleteAnswer::Closed;
  QCheckBox* ToTrash = nullptr;

 protected:
  void reject() override {  // Escape
    Answer = DeleteAnswer::No;
    QDialog::reject();
  }
  void closeEvent(QCloseEvent* event) override {
    Answer = DeleteAnswer::Closed;
    QDialog::closeEvent(event);
  }

 private:
  QHBoxLayout* MessageRow(const QString& text) {
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* message = new QLabel(text, this);
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    row->addWidget(message, 1, Qt::AlignTop);
    return row;
  }

  QHBoxLayout* ButtonRow() {
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* yes = AddNamedButton(*this, *row, "ButtonYes", QStringLiteral("Да"));
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, [this] {
      Answer = DeleteAnswer::Yes;
      accept();
    });
    connect(AddNamedButton(*this, *row, "ButtonNo", QStringLiteral("Нет")), &QPushButton::clicked, this,
            [this] { reject(); });
    return row;
  }
};

}  // namespace

DeleteChoice AskDeleteObjects(const QString& text, bool toTrashChecked) {
  TDeleteQuestion question(text, toTrashChecked);
  question.exec();
  return DeleteChoice{question.Answer, question.ToTrash->isChecked()};
}

}  // namespace zarn
