#pragma once
// TLongLineEdit: a read-only line field for a text of any length. A line field lays out
// and measures its whole text on every change and paint, seconds for megabytes, so a
// text past ShownLength shows its first ShownLength characters and an ellipsis; the
// whole text is made only when it is asked for (FullText, a copy).
#include <QLineEdit>

#include <functional>

namespace zuneigo {

class TLongLineEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr qsizetype ShownLength = 1024;

    explicit TLongLineEdit(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    // A text of length characters: start holds its first min(length, ShownLength), whole
    // makes all of it.
    void SetLongText(const QString& start, qsizetype length, std::function<QString()> whole);
    QString FullText() const;
    qsizetype FullLength() const { return length_; }
    // The part of the whole text that the selection stands for: a selection reaching into
    // the ellipsis runs to the end of the text.
    QString SelectedFullText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Show(const QString& start);
    void CopyFull() const;

    QString full_;                  // the whole text, when it is at hand
    std::function<QString()> make_; // else how to make it
    qsizetype length_ = 0;
    bool setting_ = false;
};

} // namespace zuneigo
