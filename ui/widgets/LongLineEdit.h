#pragma once
// TLongLineEdit: a read-only line field for a text of any length. A line field lays out
// and measures its whole text on every change and paint, seconds for megabytes, so a
// text past ShownLength shows its first ShownLength characters and an ellipsis. FullText
// and a copy give the whole text.
#include <QLineEdit>

namespace zuneigo {

class TLongLineEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr qsizetype ShownLength = 1024;

    explicit TLongLineEdit(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    const QString& FullText() const { return full_; }
    // The part of the whole text that the selection stands for: a selection reaching into
    // the ellipsis runs to the end of the text.
    QString SelectedFullText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CopyFull() const;

    QString full_;
    bool setting_ = false;
};

} // namespace zuneigo
