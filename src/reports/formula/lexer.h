#pragma once
// Tokens of the selection-formula language; each keeps where it starts so an
// error can point at the place in the formula.
#include <QString>
#include <QVector>

namespace reports {

enum class TokenKind {
    Field,        // {客户信息.name}: text holds name
    Text,         // 'text': text holds what stands between the quotes, '' read as '
    Number,       // digits
    Word,         // StartsWith, and, Date, in, MonthToDate, Calendar1stQtr, No ...
    OpenParen,
    CloseParen,
    Comma,
    Equal,
    GreaterEqual,
    LessEqual,
    End,
    Invalid,      // text holds the problem; nothing after it is read
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;
    int position = 0; // index of the token's first character
};

// Always ends with an End or an Invalid token.
QVector<Token> tokenizeFormula(const QString &formula);

} // namespace reports
