#include "ui/widgets/SingleLineValidator.h"

namespace zuneigo {

TSingleLineValidator::TSingleLineValidator(QObject* parent) : QValidator(parent)
{
}

QValidator::State TSingleLineValidator::validate(QString& text, int& pos) const
{
    if (text.contains(u'\r') || text.contains(u'\n'))
        text = JoinLines(text, &pos);
    return Acceptable;
}

QString JoinLines(const QString& text, int* pos)
{
    QString out;
    out.reserve(text.size());
    int newPos = pos ? *pos : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // The LF of a CR LF pair adds nothing: the pair is one break.
            if (pos && i + 1 < *pos)
                --newPos;
            out += u' ';
            ++i;
        } else {
            out += c == u'\r' || c == u'\n' ? QChar(u' ') : c;
        }
    }
    if (pos)
        *pos = newPos;
    return out;
}

} // namespace zuneigo
