#include "project/ui/project_settings_pages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "documents/character_maps.h"
#include "documents/date_stamps.h"
#include "project/ui/project_build_page.h"
#include "project/ui/project_host_pages.h"
#include "project/ui/project_settings_fields.h"

namespace vandrel::ui {

using project::ItemFlag;
using project::ItemText;
using project::SettingsPage;

namespace {

// A field the user cannot type into looks like one.
void ShowReadOnly(QLineEdit* field, bool readOnly) {
  field->setReadOnly(readOnly);
  if (!readOnly) return;
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  field->setPalette(palette);
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

// A choice list of `entries` showing `common` (nothing while the items
// differ); choosing an entry writes it as `text` into every selected item.
QComboBox* ChoiceField(SettingsPageWidget* page, const QString& name, ItemText text,
                       const std::vector<std::string>& entries) {
  auto* box = new QComboBox(page);
  box->setObjectName(name);
  for (const std::string& entry : entries) box->addItem(QtFromUtf8(entry));
  const project::CommonText common = project::CommonItemText(page->selection(), text);
  std::string shown = common.text;
  if (text == ItemText::kType && !common.mixed) shown = project::ShownType(shown);
  box->setCurrentIndex(common.mixed ? -1 : box->findText(QtFromUtf8(shown), Qt::MatchFixedString));
  QObject::connect(box, &QComboBox::textActivated, page, [page, text](const QString& value) {
    project::SetItemText(page->selection(), text, Utf8FromQt(value));
    page->Changed();
  });
  return box;
}

// ---- General ----------------------------------------------------------------------

QWidget* MakeGeneralPage(const SettingsPageContext& context, bool files, QWidget* parent) {
  auto* page = new SettingsPageWidget(context, files ? "fileGeneral" : "folderGeneral", parent);
  const project::Selection& selection = page->selection();
  auto* form = new QFormLayout(page);

  QLineEdit* name = page->TextField("name", ItemText::kName);
  const bool allowRename = context.services && context.services->settings &&
                           context.services->settings->AllowProjectRename != 0;
  ShowReadOnly(name, !project::NameEditable(selection, allowRename));
  form->addRow(Caption(files ? QObject::tr("&Filename:") : QObject::tr("&Name:"), name, page),
               name);

  QLineEdit* directory = page->TextField("directory", ItemText::kLocation);
  auto* browse = new QToolButton(page);
  browse->setObjectName("browseDirectory");
  browse->setText(QStringLiteral("..."));
  browse->setToolTip(QObject::tr("Browse for the directory"));
  const auto browseFolder = context.services ? context.services->browseFolder : nullptr;
  browse->setEnabled(static_cast<bool>(browseFolder));
  QObject::connect(browse, &QToolButton::clicked, page, [page, directory, browseFolder] {
    const std::optional<std::string> chosen = browseFolder(project::BrowseStart(page->selection()));
    if (!chosen) return;
    project::SetDirectory(page->selection(), *chosen);
    directory->setText(
        QtFromUtf8(project::CommonItemText(page->selection(), ItemText::kLocation).text));
    page->Changed();
  });
  auto* directoryRow = new QHBoxLayout;
  directoryRow->addWidget(directory, 1);
  directoryRow->addWidget(browse);
  form->addRow(Caption(QObject::tr("&Directory:"), directory, page), directoryRow);

  auto* resolved = new QLineEdit(page);
  resolved->setObjectName("resolvedLocation");
  ShowReadOnly(resolved, true);
  form->addRow(
      Caption(files ? QObject::tr("Resolved &location:") : QObject::tr("Resolved location:"),
              resolved, page),
      resolved);
  page->OnChange([page, resolved] {
    resolved->setText(QtFromUtf8(project::CommonResolvedLocation(page->selection()).text));
  });

  if (files) {
    const ProjectSettingsServices* services = context.services;
    QComboBox* type =
        ChoiceField(page, "template", ItemText::kType,
                    project::TemplateChoices(services ? services->catalogue : nullptr, selection));
    form->addRow(Caption(QObject::tr("&Template:"), type, page), type);
    form->addRow(page->FlagBox(QObject::tr("&Read only"), "readOnly", ItemFlag::kReadOnly));
  }
  return page;
}

// ---- Build (folder) and Compile ------------------------------------------------------

QWidget* MakeFolderBuildPage(const SettingsPageContext& context, QWidget* parent) {
  auto* page = new SettingsPageWidget(context, "folderBuild", parent);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(page->FlagBox(QObject::tr("Exclude from parental build"),
                                  "excludeFromParentBuild", ItemFlag::kBuildExcludeFromParent));
  layout->addWidget(page->FlagBox(QObject::tr("Override parent folder build options"),
                                  "overrideBuild", ItemFlag::kBuildOverride));
  SelectionCheckBox* compileContents =
      page->FlagBox(QObject::tr("Compile contents of this folder"), "compileContents",
                    ItemFlag::kBuildCompileContents);
  SelectionCheckBox* buildAfter = page->FlagBox(QObject::tr("Build after compiling contents"),
                                                "buildAfterCompile", ItemFlag::kBuildAfterCompile);
  layout->addWidget(compileContents);
  layout->addWidget(buildAfter);
  MacroCommandField* build = page->CommandField("build", ItemText::kBuild);
  QLabel* caption = Caption(QObject::tr("Build &command:"), build->edit(), page);
  layout->addWidget(caption);
  layout->addWidget(build);
  layout->addStretch(1);
  page->OnChange([page, compileContents, buildAfter, build, caption] {
    const bool enabled = project::OverrideEnables(
        project::CommonItemFlag(page->selection(), ItemFlag::kBuildOverride));
    for (QWidget* widget :
         {static_cast<QWidget*>(compileContents), static_cast<QWidget*>(buildAfter),
          static_cast<QWidget*>(build), static_cast<QWidget*>(caption)}) {
      widget->setEnabled(enabled);
    }
  });
  return page;
}

QWidget* MakeCompilePage(const SettingsPageContext& context, QWidget* parent) {
  auto* page = new SettingsPageWidget(context, "compile", parent);
  auto* layout = new QVBoxLayout(page);
  // What a folder's compile settings say decides whether the files below it
  // can be compiled, which their pictures show.
  layout->addWidget(page->FlagBox(QObject::tr("Exclude from build"), "excludeFromBuild",
                                  ItemFlag::kCompileExclude, true));
  layout->addWidget(page->FlagBox(QObject::tr("Override folder compile command"), "overrideCompile",
                                  ItemFlag::kCompileOverride, true));
  MacroCommandField* compile = page->CommandField("compile", ItemText::kCompile, true);
  QLabel* caption = Caption(QObject::tr("Compile command:"), compile->edit(), page);
  layout->addWidget(caption);
  layout->addWidget(compile);
  layout->addStretch(1);
  page->OnChange([page, compile, caption] {
    const bool enabled = project::OverrideEnables(
        project::CommonItemFlag(page->selection(), ItemFlag::kCompileOverride));
    compile->setEnabled(enabled);
    caption->setEnabled(enabled);
  });
  return page;
}

// ---- Advanced -------------------------------------------------------------------------

QWidget* MakeAdvancedPage(const SettingsPageContext& context, bool project, QWidget* parent) {
  auto* page =
      new SettingsPageWidget(context, project ? "projectAdvanced" : "itemAdvanced", parent);
  auto* layout = new QVBoxLayout(page);

  // The precompile output: the project's is the default for every item;
  // an item's applies only while it overrides.
  MacroCommandField* echo = page->CommandField("compileEcho", ItemText::kCompileEcho);
  if (project) {
    layout->addWidget(Caption(QObject::tr("Default &precompile output"), echo->edit(), page));
    layout->addWidget(echo);
  } else {
    SelectionCheckBox* overrideEcho =
        page->FlagBox(QObject::tr("Override &precompile output"), "overrideCompileEcho",
                      ItemFlag::kCompileOutput);
    layout->addWidget(overrideEcho);
    layout->addWidget(echo);
    page->OnChange([page, echo] {
      echo->setEnabled(project::OverrideEnables(
          project::CommonItemFlag(page->selection(), ItemFlag::kCompileOutput)));
    });
  }
  layout->addSpacing(8);

  std::vector<std::string> maps;
  if (context.services && context.services->characterMaps) {
    maps = context.services->characterMaps->Names();
  }
  layout->addWidget(page->FlagBox(QObject::tr("Override &foreign language character set"),
                                  "overrideCharSet", ItemFlag::kNlsTranslate));
  QComboBox* charSet = ChoiceField(page, "charSet", ItemText::kCharSet,
                                   project::CharSetChoices(maps, page->selection()));
  layout->addWidget(charSet);
  layout->addSpacing(8);

  layout->addWidget(page->FlagBox(QObject::tr("Override COBOL85 line tag mask"),
                                  "overrideCobolToken", ItemFlag::kCobolFormat));
  auto* token = new QComboBox(page);
  token->setObjectName("cobolToken");
  token->setEditable(true);
  token->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& pattern : CobolTokenPatterns()) token->addItem(QtFromUtf8(pattern));
  token->lineEdit()->setMaxLength(
      static_cast<int>(project::ItemTextMaxLength(ItemText::kCobolToken)));
  token->setEditText(
      QtFromUtf8(project::CommonItemText(page->selection(), ItemText::kCobolToken).text));
  auto* example = new QLabel(page);
  example->setObjectName("cobolTokenExample");
  example->setTextFormat(Qt::PlainText);
  const auto tokenChanged = [page](const QString& value) {
    project::SetItemText(page->selection(), ItemText::kCobolToken, Utf8FromQt(value));
    page->Changed();
  };
  QObject::connect(token->lineEdit(), &QLineEdit::textEdited, page, tokenChanged);
  QObject::connect(token, &QComboBox::textActivated, page, tokenChanged);
  layout->addWidget(token);
  layout->addWidget(example);
  layout->addStretch(1);

  page->OnChange([page, charSet, token, example] {
    charSet->setEnabled(project::OverrideEnables(
        project::CommonItemFlag(page->selection(), ItemFlag::kNlsTranslate)));
    const bool tokenEnabled = project::OverrideEnables(
        project::CommonItemFlag(page->selection(), ItemFlag::kCobolFormat));
    token->setEnabled(tokenEnabled);
    example->setEnabled(tokenEnabled);
    // The mask as the editor writes it into a line tag today.
    const std::string expanded =
        ExpandDateStamps(Utf8FromQt(token->currentText()), kCobolTokenFieldSize);
    example->setText(QtFromUtf8(FormatText(StringTableText(kStrExampleFormat), expanded)));
  });
  return page;
}

}  // namespace

QString SettingsPageTitle(SettingsPage page) {
  switch (page) {
    case SettingsPage::kConnection:
      return QObject::tr("Connection");
    case SettingsPage::kEnvironment:
      return QObject::tr("Environment");
    case SettingsPage::kProjectBuild:
    case SettingsPage::kFolderBuild:
      return QObject::tr("Build");
    case SettingsPage::kProjectAdvanced:
    case SettingsPage::kItemAdvanced:
      return QObject::tr("Advanced");
    case SettingsPage::kMpe:
      return QObject::tr("MPE/iX");
    case SettingsPage::kFolderGeneral:
    case SettingsPage::kFileGeneral:
      return QObject::tr("General");
    case SettingsPage::kCompile:
      break;
  }
  return QObject::tr("Compile");
}

QWidget* MakeSettingsPage(SettingsPage page, const SettingsPageContext& context, QWidget* parent) {
  switch (page) {
    case SettingsPage::kConnection:
      return MakeConnectionPage(context, parent);
    case SettingsPage::kEnvironment:
      return MakeEnvironmentPage(context, parent);
    case SettingsPage::kProjectBuild:
      return MakeProjectBuildPage(context, parent);
    case SettingsPage::kProjectAdvanced:
      return MakeAdvancedPage(context, true, parent);
    case SettingsPage::kMpe:
      return MakeMpePage(context, parent);
    case SettingsPage::kFolderGeneral:
      return MakeGeneralPage(context, false, parent);
    case SettingsPage::kFileGeneral:
      return MakeGeneralPage(context, true, parent);
    case SettingsPage::kFolderBuild:
      return MakeFolderBuildPage(context, parent);
    case SettingsPage::kCompile:
      return MakeCompilePage(context, parent);
    case SettingsPage::kItemAdvanced:
      break;
  }
  return MakeAdvancedPage(context, false, parent);
}

}  // namespace vandrel::ui
