#include "reports/formula/formula.h"
#include "reports/formula/lexer.h"

#include "store/fields.h"

namespace reports {

QString formulaMessage(const common::Error &error, const QString &formula)
{
    return QStringLiteral("选择公式有误（第 %1 个字符处）：%2\n%3")
        .arg(error.position + 1)
        .arg(error.text, formula);
}

namespace {

QString describe(const Token &t)
{
    switch (t.kind) {
    case TokenKind::End: return QStringLiteral("公式结束");
    case TokenKind::Field: return QStringLiteral("字段 {%1.%2}").arg(store::tableName(), t.text);
    case TokenKind::Text: return formulaText(t.text);
    default: return QStringLiteral("“%1”").arg(t.text);
    }
}

// Recursive descent over the token list; the first problem stops it.
class FormulaParser {
public:
    explicit FormulaParser(QVector<Token> tokens) : m_tokens(std::move(tokens)) {}

    common::Result<FormulaTree> parse()
    {
        FormulaTree tree;
        do {
            Condition c;
            if (!condition(&c))
                break;
            tree.conditions.append(c);
        } while (acceptWord(u"and"));
        if (m_error.ok() && peek().kind != TokenKind::End)
            fail(QStringLiteral("此处应为 and 或公式结束，却是 %1").arg(describe(peek())));
        if (m_error.failed())
            return m_error;
        return tree;
    }

private:
    const Token &peek() const { return m_tokens.at(m_pos); }

    Token take()
    {
        const Token t = m_tokens.at(m_pos);
        if (t.kind != TokenKind::End && t.kind != TokenKind::Invalid)
            ++m_pos;
        return t;
    }

    bool fail(const QString &problem)
    {
        const Token &t = peek();
        // A lexer problem at this place says more than what the parser expected.
        m_error = common::Error::failed(t.kind == TokenKind::Invalid ? t.text : problem, t.position);
        return false;
    }

    bool isWord(const Token &t, QStringView w) const { return t.kind == TokenKind::Word && t.text == w; }

    bool acceptWord(QStringView w)
    {
        if (!isWord(peek(), w))
            return false;
        take();
        return true;
    }

    bool expect(TokenKind kind, const QString &what)
    {
        if (peek().kind != kind)
            return fail(QStringLiteral("此处应为 %1，却是 %2").arg(what, describe(peek())));
        take();
        return true;
    }

    bool condition(Condition *c)
    {
        const Token f = peek();
        if (f.kind != TokenKind::Field)
            return fail(QStringLiteral("此处应为字段，却是 %1").arg(describe(f)));
        if (!store::findField(f.text))
            return fail(QStringLiteral("表 %1 没有字段 “%2”").arg(store::tableName(), f.text));
        take();
        c->field = f.text;
        c->fieldPosition = f.position;

        const Token op = peek();
        if (op.kind == TokenKind::Equal || op.kind == TokenKind::GreaterEqual
            || op.kind == TokenKind::LessEqual) {
            take();
            c->kind = Condition::Kind::Compare;
            c->op = op.kind == TokenKind::Equal ? CompareOp::Equal
                : op.kind == TokenKind::GreaterEqual ? CompareOp::GreaterEqual
                                                     : CompareOp::LessEqual;
            return value(&c->value);
        }
        if (acceptWord(u"StartsWith")) {
            c->kind = Condition::Kind::StartsWith;
            if (peek().kind != TokenKind::Text)
                return fail(QStringLiteral("StartsWith 后应为文字常量，却是 %1").arg(describe(peek())));
            const Token t = take();
            c->value = Operand{Operand::Kind::Text, t.text, {}, t.position};
            return true;
        }
        if (acceptWord(u"in")) {
            c->kind = Condition::Kind::InRange;
            return range(&c->range);
        }
        return fail(QStringLiteral("此处应为 =、>=、<=、StartsWith 或 in，却是 %1").arg(describe(op)));
    }

    bool value(Operand *v)
    {
        const Token t = peek();
        v->position = t.position;
        if (t.kind == TokenKind::Text) {
            take();
            v->kind = Operand::Kind::Text;
            v->text = t.text;
            return true;
        }
        if (isWord(t, u"No")) {
            take();
            v->kind = Operand::Kind::No;
            return true;
        }
        if (isWord(t, u"Date")) {
            take();
            v->kind = Operand::Kind::Date;
            return date(t.position, &v->date);
        }
        return fail(QStringLiteral("此处应为文字常量、Date(年,月,日) 或 No，却是 %1").arg(describe(t)));
    }

    bool number(int *n)
    {
        if (peek().kind != TokenKind::Number)
            return fail(QStringLiteral("此处应为数字，却是 %1").arg(describe(peek())));
        bool ok = false;
        *n = take().text.toInt(&ok);
        return ok || fail(QStringLiteral("数字太大"));
    }

    bool date(int position, QDate *d)
    {
        int y = 0, m = 0, day = 0;
        if (!expect(TokenKind::OpenParen, QStringLiteral("“(”")) || !number(&y)
            || !expect(TokenKind::Comma, QStringLiteral("“,”")) || !number(&m)
            || !expect(TokenKind::Comma, QStringLiteral("“,”")) || !number(&day)
            || !expect(TokenKind::CloseParen, QStringLiteral("“)”")))
            return false;
        *d = QDate(y, m, day);
        if (y < 1 || y > 9999 || !d->isValid()) {
            m_error = common::Error::failed(QStringLiteral("没有这一天：Date(%1,%2,%3)").arg(y).arg(m).arg(day), position);
            return false;
        }
        return true;
    }

    bool range(DateRange *r)
    {
        static const QList<std::pair<QStringView, DateRange>> names = {
            {u"MonthToDate", DateRange::MonthToDate},
            {u"Calendar1stQtr", DateRange::Quarter1},
            {u"Calendar2ndQtr", DateRange::Quarter2},
            {u"Calendar3rdQtr", DateRange::Quarter3},
            {u"Calendar4thQtr", DateRange::Quarter4},
        };
        for (const auto &[name, value] : names) {
            if (acceptWord(name)) {
                *r = value;
                return true;
            }
        }
        return fail(QStringLiteral("in 后应为 MonthToDate 或 Calendar1stQtr … Calendar4thQtr，却是 %1")
                        .arg(describe(peek())));
    }

    QVector<Token> m_tokens;
    int m_pos = 0;
    common::Error m_error;
};

} // namespace

common::Result<FormulaTree> parseFormula(const QString &formula)
{
    return FormulaParser(tokenizeFormula(formula)).parse();
}

} // namespace reports
