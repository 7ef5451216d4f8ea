#include "reports/formula/lexer.h"

#include "reports/formula/formula.h"

#include "store/fields.h"

namespace reports {

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

Token invalid(const QString &problem, int position)
{
    return {TokenKind::Invalid, problem, position};
}

// {table.field}; only the one table exists.
Token fieldToken(const QString &f, int start, int *next)
{
    const int close = f.indexOf(u'}', start + 1);
    if (close < 0)
        return invalid(QStringLiteral("字段引用缺少 “}”"), start);
    *next = close + 1;
    const QString inner = f.mid(start + 1, close - start - 1);
    const QString prefix = store::tableName() + u'.';
    if (!inner.startsWith(prefix))
        return invalid(QStringLiteral("字段引用应为 {%1.字段名}").arg(store::tableName()), start);
    return {TokenKind::Field, inner.mid(prefix.size()), start};
}

// 'text', where a quote inside is written twice: 'O''Neil'.
Token textToken(const QString &f, int start, int *next)
{
    QString text = QStringLiteral(""); // '' is an empty text, never a null one
    for (int from = start + 1;;) {
        const int quote = f.indexOf(u'\'', from);
        if (quote < 0)
            return invalid(QStringLiteral("文字常量缺少结束的单引号"), start);
        text += QStringView(f).mid(from, quote - from);
        if (quote + 1 < f.size() && f.at(quote + 1) == u'\'') {
            text += u'\'';
            from = quote + 2;
            continue;
        }
        *next = quote + 1;
        return {TokenKind::Text, text, start};
    }
}

} // namespace

QString formulaText(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QVector<Token> tokenizeFormula(const QString &f)
{
    QVector<Token> tokens;
    int i = 0;
    while (true) {
        while (i < f.size() && f.at(i).isSpace())
            ++i;
        if (i >= f.size()) {
            tokens.append({TokenKind::End, QString(), i});
            return tokens;
        }
        const QChar c = f.at(i);
        const int start = i;
        Token t;
        if (c == u'{') {
            t = fieldToken(f, start, &i);
        } else if (c == u'\'') {
            t = textToken(f, start, &i);
        } else if (c.isDigit() && c.unicode() < 128) {
            while (i < f.size() && f.at(i).isDigit() && f.at(i).unicode() < 128)
                ++i;
            t = {TokenKind::Number, f.mid(start, i - start), start};
        } else if (isWordChar(c)) {
            while (i < f.size() && isWordChar(f.at(i)))
                ++i;
            t = {TokenKind::Word, f.mid(start, i - start), start};
        } else if (c == u'(' || c == u')' || c == u',' || c == u'=') {
            ++i;
            const TokenKind kind = c == u'(' ? TokenKind::OpenParen
                : c == u')'                  ? TokenKind::CloseParen
                : c == u','                  ? TokenKind::Comma
                                             : TokenKind::Equal;
            t = {kind, QString(c), start};
        } else if ((c == u'>' || c == u'<') && i + 1 < f.size() && f.at(i + 1) == u'=') {
            i += 2;
            t = {c == u'>' ? TokenKind::GreaterEqual : TokenKind::LessEqual, f.mid(start, 2), start};
        } else {
            t = invalid(QStringLiteral("不认识的字符 “%1”").arg(c), start);
        }
        tokens.append(t);
        if (t.kind == TokenKind::Invalid)
            return tokens;
    }
}

} // namespace reports
