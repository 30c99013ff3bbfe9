#pragma once

class QQmlEngine;

namespace kivotra {
class AppState;
}

namespace kivotra::ui {

// Makes the Kivotra.Ui QML module, its C++ types and the icon and thumbnail
// image providers known to engine.
void installUi(QQmlEngine& engine, AppState& state);

// The window's type face: a CJK sans serif for the Chinese texts. Needs the application object.
void useWindowFont();

}  // namespace kivotra::ui
