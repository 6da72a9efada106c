#include "desktop/shared/WindowTranslator.h"

#include <QAbstractButton>
#include <QAction>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>

namespace drivecopy {

namespace {

// Dynamic properties the translator keeps on a control: the character set of
// its text (a Windows name) and the face the table gave it, so that a later
// row of the other kind can rebuild the font families.
constexpr const char* CharSetProperty = "charSet";
constexpr const char* FontFaceProperty = "fontFace";

constexpr const char* LatinFallback = "DejaVu Sans";

// Installed families, looked up once the GUI application exists (the font
// database needs it); before that, none.
QStringList InstalledFamilies() {
  if (QGuiApplication::instance() == nullptr) return {};
  static const QStringList families = QFontDatabase::families();
  return families;
}

// Whether `family` has a face of its own for bold text. Without one the
// toolkit draws bold labels regular in a script that no other family shows.
bool HasBoldFace(const QString& family) {
  const QStringList styles = QFontDatabase::styles(family);
  for (const QString& style : styles) {
    if (QFontDatabase::weight(family, style) >= QFont::DemiBold) return true;
  }
  return false;
}

// The first of `candidates` that is installed and has a bold face, else the
// first that is installed; names are compared without regard to case.
QString FirstInstalled(const QStringList& candidates) {
  const QStringList installed = InstalledFamilies();
  QString firstWithoutBold;
  for (const QString& candidate : candidates) {
    for (const QString& family : installed) {
      if (family.compare(candidate, Qt::CaseInsensitive) != 0) continue;
      if (HasBoldFace(family)) return family;
      if (firstWithoutBold.isEmpty()) firstWithoutBold = family;
    }
  }
  return firstWithoutBold;
}

// The installed family that shows the script of a CJK character set; faces
// with a bold weight first (the Next, Cancel, Start and Abort labels are bold),
// then proportional ones, because they are for UI text. Noto Sans CJK JP also
// draws the backslash of "A:\\" as a backslash, where the IPA faces draw a yen
// sign. Empty for any other set, or when none is installed.
QString CjkFamilyFor(const QString& charSetName) {
  if (charSetName == QLatin1String("SHIFTJIS_CHARSET")) {
    return FirstInstalled({"Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic", "IPAGothic", "TakaoPGothic",
                           "TakaoGothic", "VL PGothic", "VL Gothic"});
  }
  if (charSetName == QLatin1String("HANGEUL_CHARSET") || charSetName == QLatin1String("JOHAB_CHARSET")) {
    return FirstInstalled({"Noto Sans CJK KR", "Noto Sans KR", "NanumGothic", "UnDotum", "Baekmuk Gulim"});
  }
  if (charSetName == QLatin1String("GB2312_CHARSET")) {
    return FirstInstalled(
        {"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei", "AR PL UMing CN"});
  }
  if (charSetName == QLatin1String("CHINESEBIG5_CHARSET")) {
    return FirstInstalled({"Noto Sans CJK TC", "Noto Sans TC", "WenQuanYi Zen Hei", "AR PL UMing TW"});
  }
  return {};
}

// Qt shows a line break as LF; the tables store CR LF.
QString DisplayText(const std::string& text) {
  QString display = QString::fromStdString(text);
  display.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return display;
}

// A collection path "Columns[0].Caption" split into its parts.
struct CollectionPath {
  QString Collection;
  int Index = 0;
  QString Property;
};

std::optional<CollectionPath> ParseCollectionPath(const QString& path) {
  static const QRegularExpression pattern(QStringLiteral(R"(^(\w+)\[(\d+)\]\.(\w+)$)"));
  QRegularExpressionMatch match = pattern.match(path);
  if (!match.hasMatch()) return std::nullopt;
  bool ok = false;
  int index = match.captured(2).toInt(&ok);
  if (!ok) return std::nullopt;
  return CollectionPath{match.captured(1), index, match.captured(3)};
}

// The tab widget that shows `page` as one of its pages, if any.
QTabWidget* TabWidgetOfPage(QWidget& page) {
  auto* stack = qobject_cast<QStackedWidget*>(page.parentWidget());
  if (stack == nullptr) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  if (tabs == nullptr || tabs->indexOf(&page) < 0) return nullptr;
  return tabs;
}

void SetCaption(QObject& target, bool isWindow, const QString& text) {
  if (auto* action = qobject_cast<QAction*>(&target)) {
    action->setText(text);
    return;
  }
  auto* widget = qobject_cast<QWidget*>(&target);
  if (widget == nullptr) {
    target.setProperty("text", text);
    return;
  }
  if (isWindow) {
    widget->setWindowTitle(text);
  } else if (QTabWidget* tabs = TabWidgetOfPage(*widget)) {
    tabs->setTabText(tabs->indexOf(widget), text);
    widget->setWindowTitle(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  } else if (widget->metaObject()->indexOfProperty("text") >= 0) {
    widget->setProperty("text", text);
  } else {
    widget->setWindowTitle(text);
  }
}

void SetHint(QObject& target, const QString& text) {
  if (auto* action = qobject_cast<QAction*>(&target)) {
    action->setToolTip(text);
  } else if (auto* widget = qobject_cast<QWidget*>(&target)) {
    widget->setToolTip(text);
  }
}

// Rebuilds the font families of `target` from its face and character set.
void RefreshFontFamilies(QObject& target) {
  QVariant current = target.property("font");
  if (!current.canConvert<QFont>()) return;
  QFont font = current.value<QFont>();
  QString face = target.property(FontFaceProperty).toString();
  if (face.isEmpty()) face = font.family();
  font.setFamilies(FontFamiliesFor(face, target.property(CharSetProperty).toString()));
  target.setProperty("font", font);
}

}  // namespace

QStringList FontFamiliesFor(const QString& face, const QString& charSetName) {
  QStringList families;
  auto add = [&families](const QString& family) {
    if (!family.isEmpty() && !families.contains(family, Qt::CaseInsensitive)) {
      families.append(family);
    }
  };
  QString bareFace = face.trimmed();
  // "@Face" is the vertical-writing variant of Face; Qt knows only Face.
  if (bareFace.startsWith(QLatin1Char('@'))) bareFace = bareFace.mid(1).trimmed();
  add(bareFace);
  add(CjkFamilyFor(charSetName.trimmed()));
  add(QString::fromLatin1(LatinFallback));
  return families;
}

WindowTranslator::WindowTranslator(QWidget& window, const TranslationTable& table, const QString& windowClass,
                                   int designLanguage, const QString& objectName)
    : QObject(&window),
      LanguageTranslator(designLanguage),
      window_(window),
      table_(table),
      windowClass_(windowClass) {
  setObjectName(objectName);
}

void WindowTranslator::ApplyTables(int language) {
  const QString& windowClass = windowClass_;
  const QList<QObject*> descendants = window_.findChildren<QObject*>();

  // The window itself by its class (or object) name; a control by its object
  // name, exactly or else ignoring case as the tables do.
  auto find = [&](const QString& name) -> QObject* {
    if (name.compare(windowClass, Qt::CaseInsensitive) == 0 ||
        (!window_.objectName().isEmpty() && name.compare(window_.objectName(), Qt::CaseInsensitive) == 0)) {
      return &window_;
    }
    for (QObject* object : descendants) {
      if (object->objectName() == name) return object;
    }
    for (QObject* object : descendants) {
      if (object->objectName().compare(name, Qt::CaseInsensitive) == 0) return object;
    }
    return nullptr;
  };

  // Every row with a text in `language` whose control exists.
  auto forEachRow = [&](TableSection section, auto&& apply) {
    for (const MessageRow& row : table_.Rows(section)) {
      const std::string& text = row.Texts[static_cast<std::size_t>(language - 1)];
      if (text.empty()) continue;  // no fallback: the design value stays
      apply(QString::fromStdString(row.Key), text);
    }
  };

  forEachRow(TableSection::stCaptions, [&](const QString& key, const std::string& text) {
    if (QObject* target = find(key)) SetCaption(*target, target == &window_, DisplayText(text));
  });
  forEachRow(TableSection::stHints, [&](const QString& key, const std::string& text) {
    if (QObject* target = find(key)) SetHint(*target, DisplayText(text));
  });

  // Face and character set both shape the font families, so both are noted
  // first and the fonts rebuilt once per control afterwards.
  QList<QObject*> fontTargets;
  auto noteFontTarget = [&fontTargets](QObject* target) {
    if (!fontTargets.contains(target)) fontTargets.append(target);
  };
  forEachRow(TableSection::stCharSets, [&](const QString& key, const std::string& text) {
    if (QObject* target = find(key)) {
      target->setProperty(CharSetProperty, QString::fromStdString(text).trimmed());
      noteFontTarget(target);
    }
  });
  forEachRow(TableSection::stFonts, [&](const QString& key, const std::string& text) {
    if (QObject* target = find(key)) {
      target->setProperty(FontFaceProperty, QString::fromStdString(text).trimmed());
      noteFontTarget(target);
    }
  });
  for (QObject* target : fontTargets) RefreshFontFamilies(*target);

  forEachRow(TableSection::stCollections, [&](const QString& key, const std::string& text) {
    qsizetype dot = key.indexOf(QLatin1Char('.'));
    if (dot <= 0) return;
    std::optional<CollectionPath> path = ParseCollectionPath(key.mid(dot + 1));
    QObject* target = find(key.left(dot));
    if (!path || target == nullptr) return;
    // A control without collections has no such method; the row is skipped.
    if (target->metaObject()->indexOfMethod("setCollectionText(QString,int,QString,QString)") < 0) {
      return;
    }
    QMetaObject::invokeMethod(target, "setCollectionText", Q_ARG(QString, path->Collection),
                              Q_ARG(int, path->Index), Q_ARG(QString, path->Property),
                              Q_ARG(QString, DisplayText(text)));
  });
  forEachRow(TableSection::stOtherStrings, [&](const QString& key, const std::string& text) {
    qsizetype dot = key.indexOf(QLatin1Char('.'));
    if (dot <= 0 || dot + 1 >= key.size()) return;
    if (QObject* target = find(key.left(dot))) {
      target->setProperty(key.mid(dot + 1).toLatin1().constData(), QString::fromStdString(text));
    }
  });
}

}  // namespace drivecopy
