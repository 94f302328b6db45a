#include "settings/taboutbox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "platform/guard.h"
#include "platform/installation.h"
#include "platform/launcher.h"
#include "platform/prompter.h"

namespace zarn {
namespace {

// Two side-by-side panels: the program's picture, drawn rather than shipped.
QPixmap ProgramPicture() {
  QPixmap picture(41, 41);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setPen(QColor(0x20, 0x30, 0x70));
  painter.setBrush(QColor(0x3a, 0x6e, 0xc8));
  painter.drawRect(2, 6, 17, 30);
  painter.setBrush(QColor(0xf0, 0xc0, 0x40));
  painter.drawRect(22, 6, 17, 30);
  painter.setPen(Qt::white);
  for (int line = 12; line < 34; line += 5) painter.drawLine(5, line, 16, line);
  return picture;
}

void OpenDefault(const QString& target) {
  // The outcome is not reported: a site or help file that cannot be opened says nothing.
  if (target.startsWith(QLatin1String("http"))) {
    (void)OpenUri(target);
  } else {
    (void)OpenWithDefaultApplication(target);
  }
}

}  // namespace

const QString TAboutBox::FirstSite = QStringLiteral("https://zarn.example.org");
const QString TAboutBox::SecondSite = QStringLiteral("https://files.example.net/zarn");

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("  О программе"));
  setModal(true);
  HelpFolder = QCoreApplication::applicationDirPath();
  ManualPath = InstalledManual(HelpFolder);
  OpenWithShell = OpenDefault;
  // As with the help file, a manual the browser cannot open says nothing.
  OpenManual = [](const QString& page) { (void)OpenInBrowser(page); };
  CreateControls();
  AboutBox = this;
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  auto label = [this, layout](QLabel* TAboutBox::*member, const char* name, const QString& text) {
    auto* created = new QLabel(text, this);
    created->setObjectName(QString::fromLatin1(name));
    layout->addWidget(created);
    this->*member = created;
    return created;
  };
  label(&TAboutBox::Image1, "Image1", QString())->setPixmap(ProgramPicture());
  Image1->setFixedSize(41, 41);
  Image1->setScaledContents(true);
  label(&TAboutBox::Label1, "Label1", QStringLiteral("Zarn - менеджер файлов"));
  label(&TAboutBox::Label2, "Label2", QStringLiteral("Version  1.4   (10.2012)"));
  label(&TAboutBox::Label3, "Label3",
        QStringLiteral("Простая программа для работы\nс папками и файлами.\nА ты знаешь, что у тебя на дисках?"));
  Label3->setAlignment(Qt::AlignCenter);
  Label3->setWordWrap(true);
  Button2 = new QPushButton(QStringLiteral("Помощь"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  layout->addWidget(Button2);
  label(&TAboutBox::Label4, "Label4",
        QStringLiteral("Автор программы будет рад вашим письмам,\nзамечаниям и предложениям."));
  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);  // Enter closes the box; help is asked for only by its button
  layout->addWidget(Button1);
  label(&TAboutBox::Label6, "Label6", QStringLiteral("Сайты автора программы:"));
  for (auto [member, name, site] : {std::tuple{&TAboutBox::Label7, "Label7", FirstSite},
                                    std::tuple{&TAboutBox::Label8, "Label8", SecondSite}}) {
    QLabel* link = label(member, name, QString(site).remove(QRegularExpression(QStringLiteral("^https://"))));
    link->setStyleSheet(QStringLiteral("color: blue; font-weight: bold; text-decoration: underline;"));
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }
  label(&TAboutBox::Label9, "Label9", QStringLiteral("Картинки GIF, BMP и ICO читаются с помощью Qt."));
  label(&TAboutBox::Label10, "Label10", QStringLiteral("Картинки PNG читаются с помощью libpng и zlib."));
  label(&TAboutBox::Label5, "Label5", QStringLiteral("Программа бесплатна; пользуйтесь на свой страх и риск."));
  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && (watched == Label7 || watched == Label8)) {
    Guarded([this, watched] { watched == Label7 ? Label7Click() : Label8Click(); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutBox::Button1Click() { accept(); }

void TAboutBox::Button2Click() {
  accept();
  const QString help = HelpFolder + QStringLiteral("/hzarn.chm");
  if (QFileInfo(help).isFile()) {
    if (OpenWithShell) OpenWithShell(help);
  } else if (!ManualPath.isEmpty() && QFileInfo(ManualPath).isFile()) {
    if (OpenManual) OpenManual(ManualPath);
  } else {
    Prompter().ShowMessage(QStringLiteral("Файл помощи hzarn.chm не найден"));
  }
}

void TAboutBox::Label7Click() {
  if (OpenWithShell) OpenWithShell(FirstSite);
}

void TAboutBox::Label8Click() {
  if (OpenWithShell) OpenWithShell(SecondSite);
}

}  // namespace zarn
