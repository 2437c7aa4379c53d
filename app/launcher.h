// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/window_services.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScreen;
class QSlider;

namespace tintoral {

class Program;

// The "Select Test" window: a button per test, the orbiting switch and its
// interval slider, the resolution line and Exit.
class Launcher final : public QWidget, public SelectionWindowLink {
public:
    explicit Launcher(Program &program);

    void Form_Load();
    void Form_Paint();
    void Command1_Click(std::int16_t Index);
    void Command2_Click();
    void Form_QueryUnload();
    void Slider1_Change();
    // Shows the test of a mode code as a test button does, with the pattern
    // window moved onto `where` first (left where it is when null).
    void chooseMode(std::int32_t mode, QScreen *where = nullptr);

    // SelectionWindowLink
    bool isVisible() const override { return QWidget::isVisible(); }
    int orbitingValue() const override;
    void showWithFocus() override;

    // The controls, by their names.
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr, *Frame3 = nullptr, *Frame4 = nullptr;
    QLabel *Label1 = nullptr;
    std::array<QPushButton *, 24> Command1{};
    QPushButton *Command2 = nullptr;
    QCheckBox *Check1 = nullptr;
    QSlider *Slider1 = nullptr;

    // "Resolution : " + Str(columns) + " x " + Str(rows).
    static QString resolutionText(int columns, int rows);

    // Under the resolution line, why the patterns are not exact on this
    // window's screen; hidden where they are. Sets the window's size for its
    // screen.
    QLabel *fidelityNote = nullptr;
    void showScreenFidelity();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildControls();
    std::int32_t sliderInterval() const;

    Program &program_;
    QButtonGroup *buttons_ = nullptr;
    bool shownBefore_ = false;
    int noteHeight_ = 0; // what the note adds to the design's height, in logical pixels
};

} // namespace tintoral
