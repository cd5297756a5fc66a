#pragma once
// Keeps a single-line field on one line: every line break that reaches its text, typed,
// pasted or dropped, becomes one blank (CR LF, a lone CR and a lone LF alike). The field
// then holds what it shows, and what it sends is what the user saw.
#include <QValidator>

namespace zuneigo {

class TSingleLineValidator : public QValidator {
    Q_OBJECT
public:
    explicit TSingleLineValidator(QObject* parent = nullptr);

    // Rewrites the text in place and moves pos with it; always Acceptable.
    State validate(QString& text, int& pos) const override;
};

// text with each line break replaced by one blank; *pos, when given, follows its character.
QString JoinLines(const QString& text, int* pos = nullptr);

} // namespace zuneigo
