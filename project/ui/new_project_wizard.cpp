#include "project/ui/new_project_wizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <utility>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "project/project_session.h"
#include "remote/error_report.h"

namespace vandrel::ui {

using project::WizardPage;

namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}
QString Text(const std::string& text) { return QString::fromStdString(text); }

QLabel* Wrapped(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

// The headings above the pages.
QString PageTitle(WizardPage page) {
  switch (page) {
    case WizardPage::kServer:
      return QObject::tr("Server");
    case WizardPage::kConnecting:
      return QObject::tr("Connecting");
    case WizardPage::kConnectionFailed:
      return QObject::tr("Connection Failed");
    case WizardPage::kSecurity:
      return QObject::tr("Security");
    case WizardPage::kMpe:
      return QObject::tr("MPE/iX");
    case WizardPage::kProjectRoot:
      return QObject::tr("Project Root");
    case WizardPage::kInitialFiles:
      return QObject::tr("Initial Files");
  }
  return {};
}

// The picture on the left of every page: a host with a stack of source
// files in front of it.
class WizardPicture final : public QWidget {
 public:
  WizardPicture() { setFixedWidth(150); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(18, 52, 110));
    sky.setColorAt(1, QColor(70, 130, 190));
    painter.fillRect(rect(), sky);

    // The host: a cabinet with its drive bays.
    const QRectF cabinet(28, 40, 70, 120);
    painter.setPen(QPen(QColor(20, 30, 50), 1.5));
    painter.setBrush(QColor(205, 210, 220));
    painter.drawRoundedRect(cabinet, 4, 4);
    painter.setBrush(QColor(90, 100, 120));
    for (int bay = 0; bay < 4; ++bay)
      painter.drawRect(QRectF(cabinet.left() + 10, cabinet.top() + 12 + bay * 18, 50, 8));
    painter.setBrush(QColor(60, 200, 90));
    painter.drawEllipse(QPointF(cabinet.left() + 14, cabinet.bottom() - 14), 4, 4);

    // The project's files.
    for (int sheet = 0; sheet < 3; ++sheet) {
      const QRectF page(62 + sheet * 10, 120 + sheet * 12, 52, 66);
      QPainterPath path;
      path.moveTo(page.topLeft());
      path.lineTo(page.right() - 12, page.top());
      path.lineTo(page.right(), page.top() + 12);
      path.lineTo(page.bottomRight());
      path.lineTo(page.bottomLeft());
      path.closeSubpath();
      painter.setBrush(Qt::white);
      painter.drawPath(path);
      painter.setPen(QPen(QColor(120, 140, 170), 1));
      for (int line = 0; line < 5; ++line) {
        const qreal y = page.top() + 18 + line * 9;
        painter.drawLine(QPointF(page.left() + 8, y), QPointF(page.right() - 8, y));
      }
      painter.setPen(QPen(QColor(20, 30, 50), 1.5));
    }
  }
};

}  // namespace

NewProjectWizard::NewProjectWizard(NewProjectWizardServices services, project::Project& project,
                                   QWidget* parent)
    : QDialog(parent),
      services_(std::move(services)),
      project_(project),
      model_(project::NewProjectWizardModel::LoadConnectionHistory(services_.store)),
      link_(std::make_shared<Link>()) {
  link_->owner = this;
  setWindowTitle(Text(LoadText(kStrNewProjectWizardCaption)));

  title_ = new QLabel;
  QFont heading = title_->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.25);
  title_->setFont(heading);

  pages_ = new QStackedWidget;
  pages_->addWidget(ServerPage());
  pages_->addWidget(ConnectingPage());
  pages_->addWidget(FailedPage());
  pages_->addWidget(SecurityPage());
  pages_->addWidget(MpePage());
  pages_->addWidget(RootPage());
  pages_->addWidget(FilesPage());

  auto* content = new QVBoxLayout;
  content->addWidget(title_);
  content->addSpacing(8);
  content->addWidget(pages_, 1);
  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->addWidget(new WizardPicture);
  body->addLayout(content, 1);

  back_ = new QPushButton(tr("< &Back"));
  next_ = new QPushButton(tr("&Next >"));
  finish_ = new QPushButton(tr("&Finish"));
  cancel_ = new QPushButton(tr("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(back_);
  buttons->addWidget(next_);
  buttons->addSpacing(8);
  buttons->addWidget(finish_);
  buttons->addWidget(cancel_);
  auto* rule = new QFrame;
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addWidget(rule);
  layout->addLayout(buttons);
  setMinimumSize(560, 380);

  connect(back_, &QPushButton::clicked, this, &NewProjectWizard::back);
  connect(next_, &QPushButton::clicked, this, &NewProjectWizard::next);
  connect(finish_, &QPushButton::clicked, this, &NewProjectWizard::accept);
  connect(cancel_, &QPushButton::clicked, this, &NewProjectWizard::reject);
  ShowPage(WizardPage::kServer);
}

NewProjectWizard::~NewProjectWizard() {
  link_->owner = nullptr;
  SetWaiting(false);
  if (!finished_) CloseConnection();
}

// ---- the pages ------------------------------------------------------------------

QWidget* NewProjectWizard::ServerPage() {
  auto* page = new QWidget;
  auto* intro = Wrapped(Text(project::kWizardServerText));
  server_ = new QComboBox;
  server_->setEditable(true);
  server_->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& address : model_.connectionHistory()) server_->addItem(Text(address));
  server_->setEditText(Text(model_.values().server));
  server_->lineEdit()->setMaxLength(static_cast<int>(project::kServerSize - 1));
  intro->setBuddy(server_);
  auto* portLabel = new QLabel(Text(project::kWizardPortLabel));
  port_ = new QSpinBox;
  port_->setRange(1, 65535);
  port_->setValue(model_.values().port);
  portLabel->setBuddy(port_);
  auto* portRow = new QHBoxLayout;
  portRow->addWidget(portLabel);
  portRow->addWidget(port_);
  portRow->addStretch(1);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(intro);
  layout->addWidget(server_);
  layout->addSpacing(12);
  layout->addLayout(portRow);
  layout->addStretch(1);
  connect(server_, &QComboBox::editTextChanged, this, [this] { UpdateButtons(); });
  return page;
}

QWidget* NewProjectWizard::ConnectingPage() {
  auto* page = new QWidget;
  status_ = new QLabel;
  animation_ = new QProgressBar;
  animation_->setTextVisible(false);
  animation_->setRange(0, 0);  // a busy bar: it moves while shown
  animation_->hide();
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Wrapped(Text(project::kWizardConnectingText)));
  layout->addSpacing(16);
  layout->addWidget(status_);
  layout->addWidget(animation_);
  layout->addStretch(1);
  return page;
}

QWidget* NewProjectWizard::FailedPage() {
  auto* page = new QWidget;
  // The checklist, a point a line; a line in parentheses belongs to the
  // point before it.
  QString items;
  for (const QString& line :
       Text(project::kWizardFailedChecklist).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    if (line.startsWith(QLatin1Char('('))) {
      items += QStringLiteral("<br>") + line.toHtmlEscaped();
    } else {
      if (!items.isEmpty()) items += QStringLiteral("</li>");
      items += QStringLiteral("<li>") + line.toHtmlEscaped();
    }
  }
  auto* checklist = Wrapped(QStringLiteral("<ul style=\"margin-left:-20px\">") + items +
                            QStringLiteral("</li></ul>"));
  checklist->setTextFormat(Qt::RichText);
  failure_ = Wrapped(QString());
  failure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Wrapped(Text(project::kWizardFailedText)));
  layout->addWidget(checklist);
  layout->addSpacing(8);
  layout->addWidget(failure_);
  layout->addStretch(1);
  return page;
}

QWidget* NewProjectWizard::SecurityPage() {
  auto* page = new QWidget;
  user_ = new QLineEdit;
  user_->setMaxLength(static_cast<int>(remote::kMaxLoginField));
  password_ = new QLineEdit;
  password_->setEchoMode(QLineEdit::Password);
  password_->setMaxLength(static_cast<int>(remote::kMaxLoginField));
  savePassword_ = new QCheckBox(Text(project::kWizardSavePassword));
  auto* userLabel = new QLabel(Text(project::kWizardUserLabel));
  userLabel->setBuddy(user_);
  auto* passwordLabel = new QLabel(Text(project::kWizardPasswordLabel));
  passwordLabel->setBuddy(password_);
  auto* fields = new QGridLayout;
  fields->addWidget(userLabel, 0, 0);
  fields->addWidget(user_, 0, 1);
  fields->addWidget(passwordLabel, 1, 0);
  fields->addWidget(password_, 1, 1);
  fields->addWidget(savePassword_, 2, 1);

  mpeHints_ = new QWidget;
  auto* hints = new QVBoxLayout(mpeHints_);
  hints->setContentsMargins(0, 0, 0, 0);
  hints->addWidget(Wrapped(Text(LoadText(kStrMpeLogonForm))));
  hints->addSpacing(4);
  hints->addWidget(Wrapped(Text(LoadText(kStrMpeLogonPasswords))));

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Wrapped(Text(LoadText(kStrEnterNetworkPassword))));
  layout->addSpacing(8);
  layout->addLayout(fields);
  layout->addSpacing(8);
  layout->addWidget(mpeHints_);
  layout->addStretch(1);
  connect(user_, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  return page;
}

QWidget* NewProjectWizard::MpePage() {
  auto* page = new QWidget;
  const project::WizardValues& values = model_.values();
  hpfs_ = new QCheckBox(Text(project::kWizardHpfs));
  hpfs_->setChecked(values.hpfsSupport);
  posixShell_ = new QCheckBox(Text(project::kWizardPosixShell));
  posixShell_->setChecked(values.posixShell);
  udc_ = new QCheckBox(Text(project::kWizardUdcSupport));
  udc_->setChecked(values.udcEnabled);
  udcSystem_ = new QCheckBox(Text(project::kWizardUdcSystem));
  udcSystem_->setChecked((values.udcLogon & project::kUdcSystem) != 0);
  udcAccount_ = new QCheckBox(Text(project::kWizardUdcAccount));
  udcAccount_->setChecked((values.udcLogon & project::kUdcAccount) != 0);
  udcUser_ = new QCheckBox(Text(project::kWizardUdcUser));
  udcUser_->setChecked((values.udcLogon & project::kUdcUser) != 0);
  auto* levels = new QHBoxLayout;
  levels->addSpacing(20);
  levels->addWidget(new QLabel(Text(project::kWizardLogonUdcs)));
  levels->addWidget(udcSystem_);
  levels->addWidget(udcAccount_);
  levels->addWidget(udcUser_);
  levels->addStretch(1);
  // The logon levels count only with UDC support.
  auto follow = [this] {
    for (QCheckBox* box : {udcSystem_, udcAccount_, udcUser_}) box->setEnabled(udc_->isChecked());
  };
  connect(udc_, &QCheckBox::toggled, this, follow);
  follow();

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(hpfs_);
  layout->addWidget(posixShell_);
  layout->addSpacing(8);
  layout->addWidget(udc_);
  layout->addLayout(levels);
  layout->addStretch(1);
  return page;
}

QWidget* NewProjectWizard::RootPage() {
  auto* page = new QWidget;
  root_ = new QLineEdit;
  root_->setMaxLength(static_cast<int>(project::kLocationSize - 1));
  auto* rootLabel = new QLabel(Text(project::kWizardRootLabel));
  rootLabel->setBuddy(root_);
  browse_ = new QPushButton(tr("&Browse..."));
  createFolders_ = new QCheckBox(Text(project::kWizardCreateFolders));
  createFolders_->setChecked(model_.values().createDefaultFolders);
  auto* row = new QHBoxLayout;
  row->addWidget(root_, 1);
  row->addWidget(browse_);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(rootLabel);
  layout->addLayout(row);
  layout->addSpacing(12);
  layout->addWidget(createFolders_);
  layout->addStretch(1);
  connect(browse_, &QPushButton::clicked, this, &NewProjectWizard::browseRoot);
  connect(root_, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  return page;
}

QWidget* NewProjectWizard::FilesPage() {
  auto* page = new QWidget;
  files_ = new QListWidget;
  files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* label = new QLabel(Text(project::kWizardFilesLabel));
  label->setBuddy(files_);
  add_ = new QPushButton(Text(project::kWizardAdd));
  remove_ = new QPushButton(Text(project::kWizardRemove));
  auto* side = new QVBoxLayout;
  side->addWidget(add_);
  side->addWidget(remove_);
  side->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(files_, 1);
  row->addLayout(side);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label);
  layout->addLayout(row, 1);
  connect(add_, &QPushButton::clicked, this, &NewProjectWizard::addFiles);
  connect(remove_, &QPushButton::clicked, this, &NewProjectWizard::removeFiles);
  connect(files_, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  return page;
}

// ---- moving between pages ---------------------------------------------------------

void NewProjectWizard::ShowPage(WizardPage page) {
  page_ = page;
  pages_->setCurrentIndex(static_cast<int>(page));
  title_->setText(PageTitle(page));
  switch (page) {
    case WizardPage::kServer:
      server_->setFocus();
      break;
    case WizardPage::kSecurity:
      mpeHints_->setVisible(model_.ShowsMpeHints());
      (user_->text().isEmpty() ? user_ : password_)->setFocus();
      break;
    case WizardPage::kProjectRoot:
      root_->setFocus();
      break;
    case WizardPage::kInitialFiles:
      FillFiles();
      break;
    default:
      break;
  }
  UpdateButtons();
}

void NewProjectWizard::UpdateButtons() {
  const bool idle = !waiting_;
  bool nextOk = model_.NextPage(page_).has_value() && idle;
  switch (page_) {
    case WizardPage::kServer:
      nextOk = nextOk && !server_->currentText().trimmed().isEmpty();
      break;
    case WizardPage::kConnecting:
      nextOk = false;  // the attempt moves on by itself
      break;
    case WizardPage::kSecurity:
      nextOk = nextOk && !user_->text().isEmpty();
      break;
    case WizardPage::kProjectRoot:
      nextOk = nextOk && !root_->text().isEmpty();
      break;
    default:
      break;
  }
  back_->setEnabled(idle && model_.BackFrom(page_).has_value());
  next_->setEnabled(nextOk);
  finish_->setEnabled(idle && project::NewProjectWizardModel::CanFinish(page_));
  (page_ == WizardPage::kInitialFiles ? finish_ : next_)->setDefault(true);
  remove_->setEnabled(!files_->selectedItems().isEmpty());
}

void NewProjectWizard::SetWaiting(bool waiting) {
  if (waiting == waiting_) return;
  waiting_ = waiting;
  if (waiting) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  if (pages_ != nullptr && link_->owner != nullptr) UpdateButtons();
}

void NewProjectWizard::next() {
  if (!next_->isEnabled()) return;
  project::WizardValues& values = model_.values();
  switch (page_) {
    case WizardPage::kServer:
      values.server = server_->currentText().trimmed().toStdString();
      values.port = port_->value();
      model_.RememberServer(services_.store);
      ShowPage(WizardPage::kConnecting);
      StartAttempt();
      return;
    case WizardPage::kSecurity: {
      values.user = user_->text().toStdString();
      values.password = password_->text().toStdString();
      values.savePassword = savePassword_->isChecked();
      remote::LoginAnswer answer;
      answer.userName = values.user;
      answer.password = values.password;
      answer.passwordAsked = true;
      // The attempt goes on with the logon; its outcome moves the wizard on.
      SetWaiting(true);
      status_->setText(Text(LoadText(kStrConnecting)));
      if (prompt_) prompt_->Answer(answer);
      return;
    }
    case WizardPage::kMpe: {
      values.hpfsSupport = hpfs_->isChecked();
      values.posixShell = posixShell_->isChecked();
      values.udcEnabled = udc_->isChecked();
      values.udcLogon = (udcSystem_->isChecked() ? project::kUdcSystem : 0) |
                        (udcAccount_->isChecked() ? project::kUdcAccount : 0) |
                        (udcUser_->isChecked() ? project::kUdcUser : 0);
      // Browsing the root then shows the chosen file system.
      remote::RequestBlock request;
      request.kind = remote::kRequestSendCommand;
      request.commandText = FormatText("=MPE_SET_FS %c", values.hpfsSupport ? 'P' : 'M');
      Post(request, [](NewProjectWizard& wizard, const remote::RequestBlock& done) {
        if (done.status != remote::kStatusSuccess) wizard.FailBackToStart(done, __LINE__);
      });
      ShowPage(WizardPage::kProjectRoot);
      return;
    }
    case WizardPage::kProjectRoot:
      model_.SetRoot(root_->text().toStdString());
      values.createDefaultFolders = createFolders_->isChecked();
      ShowPage(WizardPage::kInitialFiles);
      return;
    default:
      return;
  }
}

void NewProjectWizard::back() {
  if (!back_->isEnabled()) return;
  const std::optional<project::WizardBackStep> step = model_.BackFrom(page_);
  if (!step) return;
  if (page_ == WizardPage::kProjectRoot) model_.SetRoot(root_->text().toStdString());
  if (step->closesConnection) CloseConnection();
  ShowPage(step->page);
}

void NewProjectWizard::accept() {
  if (!finish_->isEnabled()) return;
  firstFolder_ = model_.Finish(project_);
  finished_ = true;
  // The connection becomes the application's as after a connect: the
  // session is set up with the project's preferences.
  if (services_.adopt && !services_.adopt(project::SessionPreferencesOf(project_))) {
    if (services_.release) services_.release();
  }
  QDialog::accept();
}

void NewProjectWizard::reject() {
  if (page_ == WizardPage::kConnecting && attempting_) {
    CloseConnection();
    animation_->hide();
    status_->setText(Text(LoadText(kStrConnectionCancelled)));
    UpdateButtons();
    return;
  }
  CloseConnection();
  QDialog::reject();
}

// ---- the connection ---------------------------------------------------------------

void NewProjectWizard::StartAttempt() {
  CloseConnection();
  const std::uint64_t ticket = ++ticket_;
  status_->setText(Text(LoadText(kStrConnecting)));
  animation_->show();
  failure_->clear();

  std::weak_ptr<Link> link = link_;
  auto carry = [link](std::function<void(NewProjectWizard&)> work) {
    QMetaObject::invokeMethod(
        qApp,
        [link, work = std::move(work)] {
          if (auto alive = link.lock(); alive && alive->owner != nullptr) work(*alive->owner);
        },
        Qt::QueuedConnection);
  };
  prompt_ =
      std::make_shared<project::WizardLoginPrompt>([carry, ticket](const remote::LoginForm& form) {
        carry([ticket, form](NewProjectWizard& wizard) { wizard.LoginAsked(ticket, form); });
      });
  remote::ConnectParameters parameters;
  parameters.hostName = model_.values().server;
  parameters.port = model_.values().port;
  // No user is given, so a host that wants a login always asks the
  // Security page.
  attempting_ = true;
  const bool started =
      services_.connect &&
      services_.connect(parameters, prompt_, [carry, ticket](const remote::RequestBlock& done) {
        remote::RequestBlock outcome = done;
        outcome.completion = nullptr;
        carry(
            [ticket, outcome](NewProjectWizard& wizard) { wizard.AttemptEnded(ticket, outcome); });
      });
  if (!started) {
    remote::RequestBlock failed;
    failed.kind = remote::kRequestConnect;
    failed.hostName = parameters.hostName;
    failed.port = parameters.port;
    failed.status = remote::kStatusConnectFailed;
    AttemptEnded(ticket, failed);
  }
  UpdateButtons();
}

void NewProjectWizard::CloseConnection() {
  ++ticket_;
  if (prompt_) {
    prompt_->Close();  // a waiting attempt gets no login and ends
    prompt_.reset();
  }
  if (services_.release) services_.release();
  attempting_ = false;
  SetWaiting(false);
  model_.ConnectionClosed();
}

void NewProjectWizard::LoginAsked(std::uint64_t ticket, const remote::LoginForm& form) {
  if (ticket != ticket_ || page_ != WizardPage::kConnecting) return;
  model_.LoginAsked(form.hostKind);
  ShowPage(WizardPage::kSecurity);
}

void NewProjectWizard::AttemptEnded(std::uint64_t ticket, const remote::RequestBlock& connect) {
  if (ticket != ticket_) return;
  attempting_ = false;
  model_.ConnectionEnded(connect);
  if (connect.status != remote::kStatusSuccess) {
    SetWaiting(false);
    animation_->hide();
    if (page_ == WizardPage::kSecurity) {
      // The logon failed: reported, and back to the start.
      FailBackToStart(connect, __LINE__);
      return;
    }
    const remote::ErrorReport report = remote::DescribeRequestFailure(connect, __FILE__, __LINE__);
    failure_->setText(Text(report.text));
    ShowPage(WizardPage::kConnectionFailed);
    return;
  }
  // The host's current directory is the proposed root.
  SetWaiting(true);
  remote::RequestBlock request;
  request.kind = remote::kRequestGetDirectory;
  Post(request, [](NewProjectWizard& wizard, const remote::RequestBlock& done) {
    wizard.RootProposed(done);
  });
}

void NewProjectWizard::RootProposed(const remote::RequestBlock& request) {
  SetWaiting(false);
  animation_->hide();
  if (request.status != remote::kStatusSuccess) {
    FailBackToStart(request, __LINE__);
    return;
  }
  root_->setText(Text(request.hostPath));
  model_.SetRoot(request.hostPath);
  if (const std::optional<WizardPage> next = model_.NextPage(page_)) ShowPage(*next);
}

void NewProjectWizard::FailBackToStart(const remote::RequestBlock& request, int line) {
  CloseConnection();
  ShowPage(WizardPage::kServer);
  if (services_.report) services_.report(request, __FILE__, line);
}

void NewProjectWizard::Post(
    remote::RequestBlock request,
    std::function<void(NewProjectWizard&, const remote::RequestBlock&)> done) {
  if (services_.worker == nullptr) return;
  const std::uint64_t ticket = ticket_;
  std::weak_ptr<Link> link = link_;
  request.completion = [link, ticket, done = std::move(done)](remote::RequestBlock& finished) {
    remote::RequestBlock outcome = finished;
    outcome.completion = nullptr;
    outcome.buffer.clear();
    QMetaObject::invokeMethod(
        qApp,
        [link, ticket, done, outcome] {
          auto alive = link.lock();
          if (!alive || alive->owner == nullptr || alive->owner->ticket_ != ticket) return;
          done(*alive->owner, outcome);
        },
        Qt::QueuedConnection);
  };
  services_.worker->Post(request);
}

// ---- the root and the files -------------------------------------------------------

void NewProjectWizard::browseRoot() {
  if (!services_.browseFolder) return;
  const std::optional<std::string> chosen =
      services_.browseFolder(this, root_->text().toStdString(), model_.values().hostKind);
  if (chosen) root_->setText(Text(*chosen));
}

void NewProjectWizard::addFiles() {
  if (!services_.chooseFiles) return;
  const std::optional<project::AddFilesChoice> choice = services_.chooseFiles(
      this, LoadText(kStrAddFilesToProjectTitle), model_.values().root, model_.values().hostKind);
  if (!choice) return;
  model_.AddFiles(*choice);
  FillFiles();
}

void NewProjectWizard::removeFiles() {
  std::vector<int> rows;
  for (const QListWidgetItem* item : files_->selectedItems()) rows.push_back(files_->row(item));
  model_.RemoveFiles(rows);
  FillFiles();
}

void NewProjectWizard::FillFiles() {
  files_->clear();
  for (const std::string& name : model_.FileNames()) files_->addItem(Text(name));
  UpdateButtons();
}

}  // namespace vandrel::ui
