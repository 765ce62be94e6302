#pragma once

#include <QWidget>

namespace vantrel {

// The borderless window shown while the program starts: the title, the version line, the
// chip picture between two rules, and two credit lines.
class TSplashForm final : public QWidget {
    Q_OBJECT

  public:
    // How long the splash stays, in milliseconds.
    static constexpr int kShowMs = 3000;

    explicit TSplashForm(QWidget* parent = nullptr);
};

}  // namespace vantrel
