#pragma once

#include <QDir>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

#include "document/document_settings.h"

namespace stippon {

// The user's choices kept between runs in mottle.ini: in the working directory when that is
// writable, otherwise (an installed program started from /) in the user's configuration folder.
// Each call opens the file afresh, so that two windows see each other's latest choices.
class _preferences {
 public:
  static constexpr int RECENT_FILES = 8;

  explicit _preferences(const QString& working_dir = QDir::currentPath());

  const QString& file_name() const { return path; }

  // The window's size and the position of its frame, as last closed.
  std::optional<QRect> geometry() const;
  void set_geometry(const QRect& geometry);

  // Newest first, at most RECENT_FILES.
  QStringList recent_files() const;
  void add_recent_file(const QString& file);
  void clear_recent_files();

  // The folder of the last file opened or saved; empty before the first.
  QString last_folder() const;
  void set_last_folder(const QString& folder);

  // The General and Images choices, the ink and a custom width included, over the given
  // defaults; values out of range keep the default.
  _document_settings settings(const _document_settings& defaults) const;
  void set_settings(const _document_settings& settings);

 private:
  QString path;
};

}  // namespace stippon
