#include "ops/tprogress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ops/tprogresstext.h"
#include "platform/guard.h"

namespace zarn {

namespace {
constexpr int RefreshMilliseconds = 100;
}

TProgress::TProgress(const QString& caption, std::function<FileOpProgress()> figures, std::function<void()> cancel,
                     QWidget* parent)
    : QDialog(parent), Figures_(std::move(figures)), Cancel_(std::move(cancel)) {
  setObjectName(QStringLiteral("TProgress"));
  setWindowTitle(caption);
  setWindowModality(Qt::ApplicationModal);
  CreateControls();
  RefreshTimer_ = new QTimer(this);
  RefreshTimer_->setInterval(RefreshMilliseconds);
  connect(RefreshTimer_, &QTimer::timeout, this, [this] { Guarded([this] { Refresh(); }); });
  Progress = this;
}

TProgress::~TProgress() {
  if (Progress == this) Progress = nullptr;
}

void TProgress::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  auto addLabel = [&](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    return label;
  };
  LabelPhase_ = addLabel("LabelPhase");
  LabelName_ = addLabel("LabelName");
  LabelName_->setMinimumWidth(420);
  LabelObjects_ = addLabel("LabelObjects");
  LabelBytes_ = addLabel("LabelBytes");
  ProgressBar_ = new QProgressBar(this);
  ProgressBar_->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar_->setRange(0, 100);
  layout->addWidget(ProgressBar_);
  ButtonCancel_ = new QPushButton(QStringLiteral("Отмена"), this);
  ButtonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
  layout->addWidget(ButtonCancel_, 0, Qt::AlignRight);
  connect(ButtonCancel_, &QPushButton::clicked, this, [this] { Guarded([this] { CancelClick(); }); });
}

void TProgress::Start() {
  if (isVisible()) return;
  Refresh();
  show();
  RefreshTimer_->start();
}

void TProgress::Refresh() {
  const ProgressTexts texts = FormatProgress(Figures_());
  if (ButtonCancel_->isEnabled()) LabelPhase_->setText(texts.Phase);
  // Names may hold newlines; one line keeps the window steady.
  QString name = texts.Name;
  LabelName_->setText(fontMetrics().elidedText(name.replace(QLatin1Char('\n'), QLatin1Char(' ')), Qt::ElideMiddle,
                                               LabelName_->width()));
  LabelObjects_->setText(texts.Objects);
  LabelBytes_->setText(texts.Bytes);
  ProgressBar_->setValue(texts.Percent);
}

void TProgress::CancelClick() {
  ButtonCancel_->setEnabled(false);
  LabelPhase_->setText(QStringLiteral("Отмена..."));
  if (Cancel_) Cancel_();
}

void TProgress::reject() { CancelClick(); }

}  // namespace zarn
