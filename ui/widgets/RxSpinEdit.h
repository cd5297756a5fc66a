#pragma once
// TRxSpinEdit: a single-line numeric field with a diagonal spin button at its right end.
// Every number the user enters is typed here; the windows read it through GetValue and
// OnChange only.
#include <QLineEdit>

#include <functional>

namespace zuneigo {

class TSpinButton;

enum TValueType { vtInteger,
                  vtFloat,
                  vtHex };
enum TSpinButtonKind { bkStandard,
                       bkDiagonal };

class TRxSpinEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TRxSpinEdit(QWidget* parent = nullptr);
    ~TRxSpinEdit() override;

    // The number the text stands for; a text that does not convert reads as MinValue.
    // Never applies the upper bound and never changes the text.
    long double GetValue() const;
    // Clamps with CheckValue and rewrites the text.
    void SetValue(long double value);
    long double CheckValue(long double value) const;

    long double MinValue() const { return minValue_; }
    void SetMinValue(long double v) { minValue_ = v; }
    long double MaxValue() const { return maxValue_; }
    void SetMaxValue(long double v) { maxValue_ = v; }
    long double Increment() const { return increment_; }
    void SetIncrement(long double v) { increment_ = v; }
    TValueType ValueType() const { return valueType_; }
    void SetValueType(TValueType v);
    int Decimal() const { return decimal_; }
    void SetDecimal(int v) { decimal_ = v; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool v) { editorEnabled_ = v; }
    bool ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool v) { arrowKeys_ = v; }
    TSpinButtonKind ButtonKind() const { return buttonKind_; }
    void SetButtonKind(TSpinButtonKind v);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool v) { setReadOnly(v); }

    // One step up or down.
    virtual void UpClick();
    virtual void DownClick();

    // Fired after each step up or down.
    std::function<void(TRxSpinEdit* sender)> OnTopClick;
    std::function<void(TRxSpinEdit* sender)> OnBottomClick;
    // Fired when the text changes: once per accepted keystroke, once per changed step.
    std::function<void(TRxSpinEdit* sender)> OnChange;

private:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    void Step(bool up);
    // Places the spin button at the right end and keeps the text clear of it.
    void LayoutButton();
    // Whether the key would change the text; with EditorEnabled off such keys are refused.
    bool EditsText(const QKeyEvent* event) const;
    // Hands Enter or Escape to the window as a dialog key.
    void PassDialogKey(QKeyEvent* event);

    TSpinButton* button_ = nullptr;
    long double minValue_ = 0;
    long double maxValue_ = 0;
    long double increment_ = 1.0;
    TValueType valueType_ = vtInteger;
    int decimal_ = 2;
    bool editorEnabled_ = true;
    bool arrowKeys_ = true;
    TSpinButtonKind buttonKind_ = bkDiagonal;
    bool changing_ = false;
};

} // namespace zuneigo
