#include "store/jetsql.h"

#include "common/textrules.h"
#include "store/fields.h"
#include "store/sqlitefunctions.h"

#include <sqlite3.h>

#include <QStringList>

namespace store {

namespace {

// ---------------------------------------------------------------- tokens

struct Token {
    enum class Type { Word, Number, String, Date, Symbol, End };
    Type type = Type::End;
    QString text;   // word, symbol, number text, string contents, date contents
    int position = 0;
};

// A statement the store does not accept: what is wrong, and where.
common::Error syntaxError(const QString &message, int position) { return {code::Syntax, message, position}; }

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isWordPart(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

common::Result<QVector<Token>> tokenize(const QString &in)
{
    using T = Token::Type;
    QVector<Token> tokens;
    QVector<Token> *out = &tokens;
    int i = 0;
    const int n = int(in.size());
    while (i < n) {
        const QChar c = in.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const int start = i;
        if (isWordStart(c)) {
            while (i < n && isWordPart(in.at(i)))
                ++i;
            out->append({T::Word, in.mid(start, i - start), start});
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && in.at(i + 1).isDigit())) {
            while (i < n && in.at(i).isDigit())
                ++i;
            if (i < n && in.at(i) == QLatin1Char('.')) {
                ++i;
                while (i < n && in.at(i).isDigit())
                    ++i;
            }
            if (i < n && isWordPart(in.at(i)))
                return syntaxError(QStringLiteral("数字后面紧跟着“%1”").arg(in.at(i)), i);
            out->append({T::Number, in.mid(start, i - start), start});
        } else if (c == QLatin1Char('\'')) {
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (in.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < n && in.at(i + 1) == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                text += in.at(i++);
            }
            if (!closed)
                return syntaxError(QStringLiteral("字符串缺少结束的引号"), start);
            if (text.isNull())
                text = QStringLiteral(""); // '' is an empty text, never a null
            out->append({T::String, text, start});
        } else if (c == QLatin1Char('#')) {
            const int close = int(in.indexOf(QLatin1Char('#'), i + 1));
            if (close < 0)
                return syntaxError(QStringLiteral("日期缺少结束的 #"), start);
            out->append({T::Date, in.mid(i + 1, close - i - 1), start});
            i = close + 1;
        } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
            ++i;
            if (i < n && (in.at(i) == QLatin1Char('=') || (c == QLatin1Char('<') && in.at(i) == QLatin1Char('>'))))
                ++i;
            out->append({T::Symbol, in.mid(start, i - start), start});
        } else if (QStringLiteral("=*.,;-+()").contains(c)) {
            ++i;
            out->append({T::Symbol, QString(c), start});
        } else {
            return syntaxError(QStringLiteral("无法识别的字符“%1”").arg(c), start);
        }
    }
    out->append({T::End, QString(), n});
    return tokens;
}

// ---------------------------------------------------------------- parser

class Parser {
public:
    Parser(QVector<Token> tokens, Engine engine) : m_tokens(std::move(tokens)), m_engine(engine) {}

    JetTranslation statement()
    {
        JetTranslation t;
        if (peekWord(tableName()) && m_tokens.at(1).type == Token::Type::End) {
            ++m_at;
            return select(QString(), QString());
        }
        if (acceptKeyword("select")) {
            expectSymbol("*");
            expectKeyword("from");
            expectTable();
            QString where;
            QString order;
            if (acceptKeyword("where"))
                where = condition();
            if (acceptKeyword("order")) {
                expectKeyword("by");
                order = orderList();
            }
            expectEnd();
            return select(where, order);
        }
        if (acceptKeyword("insert")) {
            expectKeyword("into");
            expectTable();
            expectKeyword("select");
            expectTable();
            expectSymbol(".");
            expectSymbol("*");
            expectKeyword("from");
            expectTable();
            expectKeyword("where");
            const QString where = condition();
            expectEnd();
            t.kind = JetTranslation::Kind::InsertCopy;
            t.sql = QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %1 WHERE %3")
                        .arg(quoted(tableName()), allColumns(), where);
            return finish(t);
        }
        fail(peek().type == Token::Type::End
                 ? QStringLiteral("语句是空的")
                 : QStringLiteral("不支持的语句“%1”：只接受 select 和 insert into 客户信息 select")
                       .arg(peek().text));
        return t;
    }

    JetTranslation bareCondition()
    {
        JetTranslation t;
        t.sql = condition();
        expectEnd();
        return finish(t);
    }

    bool failed() const { return m_failed; }
    common::Error error() const { return m_error; }

private:
    JetTranslation select(const QString &where, const QString &order)
    {
        JetTranslation t;
        const QString whereSql = where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where;
        const QString key = rowKey(m_engine);
        const QString orderSql = QStringLiteral(" ORDER BY ") + (order.isEmpty() ? QString() : order + QStringLiteral(", ")) + keyOrder(m_engine);
        t.sql = QStringLiteral("SELECT %1, %2 FROM %3%4%5").arg(allColumns(), key, quoted(tableName()), whereSql, orderSql);
        t.keySql = QStringLiteral("SELECT %1 FROM %2%3%4").arg(key, quoted(tableName()), whereSql, orderSql);
        return finish(t);
    }

    JetTranslation finish(JetTranslation t)
    {
        t.params = m_params;
        return t;
    }

    // Conditions: conjunction {or conjunction}; and binds tighter, as in Jet.
    QString condition()
    {
        QStringList alternatives;
        alternatives << conjunction();
        while (!m_failed && acceptKeyword("or"))
            alternatives << conjunction();
        return alternatives.size() == 1 ? alternatives.first()
                                        : u'(' + alternatives.join(QStringLiteral(" OR ")) + u')';
    }

    QString conjunction()
    {
        QStringList terms;
        terms << factor();
        while (!m_failed && acceptKeyword("and"))
            terms << factor();
        return terms.join(QStringLiteral(" AND "));
    }

    QString factor()
    {
        if (!acceptSymbol("("))
            return term();
        const QString inner = condition();
        expectSymbol(")");
        return u'(' + inner + u')';
    }

    QString term()
    {
        if (m_failed)
            return {};
        if (acceptKeyword("not")) {
            const FieldDef *f = field();
            if (f && f->kind != FieldKind::YesNo)
                failAt(m_tokens.at(m_at - 1).position,
                       QStringLiteral("“not”只能用于是/否字段，“%1”不是").arg(f->name));
            return f ? QStringLiteral("NOT (%1 <> 0)").arg(conditionOperand(*f)) : QString();
        }
        const int fieldAt = m_at;
        const FieldDef *f = field();
        if (!f)
            return {};
        if (acceptKeyword("is")) {
            const bool negated = acceptKeyword("not");
            expectKeyword("null");
            return negated ? QStringLiteral("NOT %1").arg(emptyTest(m_engine, *f)) : emptyTest(m_engine, *f);
        }
        const Token &next = peek();
        if (next.type == Token::Type::Word && next.text.compare(QLatin1String("like"), Qt::CaseInsensitive) == 0) {
            ++m_at;
            const Token &pattern = peek();
            if (pattern.type != Token::Type::String) {
                fail(QStringLiteral("Like 后面应是用引号括起的模式"));
                return {};
            }
            ++m_at;
            m_params << likePattern(m_engine, pattern.text);
            return likeTerm(m_engine, quoted(f->name));
        }
        static const QStringList ops = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("<"),
                                        QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">=")};
        if (next.type == Token::Type::Symbol && ops.contains(next.text)) {
            ++m_at;
            const QString op = next.text;
            value(*f);
            if (m_failed)
                return {};
            // Jet compares text without regard to case, and only dates as dates.
            if (f->isTextLike())
                return textComparison(m_engine, conditionOperand(*f), op);
            const QString comparison = QStringLiteral("%1 %2 ?").arg(conditionOperand(*f), op);
            return f->kind == FieldKind::Date ? QStringLiteral("(%1 AND %2)").arg(dateTest(m_engine, quoted(f->name)), comparison)
                                              : comparison;
        }
        if (f->kind == FieldKind::YesNo)
            return QStringLiteral("(%1 <> 0)").arg(conditionOperand(*f));
        failAt(m_tokens.at(fieldAt).position,
               QStringLiteral("字段“%1”后面应是比较运算符或 Like").arg(f->name));
        return {};
    }

    // A value compared with field f, appended to the parameters.
    QVariant value(const FieldDef &f)
    {
        bool negative = false;
        if (peekSymbol("-") || peekSymbol("+")) {
            negative = peek().text == QLatin1String("-");
            ++m_at;
            if (peek().type != Token::Type::Number) {
                fail(QStringLiteral("符号后面应是数字"));
                return {};
            }
        }
        const Token &tok = peek();
        QVariant v;
        switch (tok.type) {
        case Token::Type::Number: {
            const QString text = (negative ? QStringLiteral("-") : QString()) + tok.text;
            if (f.kind == FieldKind::Date || f.kind == FieldKind::Time) {
                fail(QStringLiteral("字段“%1”应与 #日期# 比较，不是数字").arg(f.name));
                return {};
            }
            if (f.isTextLike()) {
                v = text;
            } else {
                bool isInt = false;
                const qlonglong i = text.toLongLong(&isInt);
                v = isInt ? QVariant(i) : QVariant(text.toDouble());
            }
            break;
        }
        case Token::Type::String:
            if (f.kind == FieldKind::Date) {
                const auto d = common::parseDate(tok.text);
                if (!d) {
                    fail(QStringLiteral("“%1”不是有效的日期").arg(tok.text));
                    return {};
                }
                v = common::isoDate(*d);
            } else if (f.isTextLike() || f.kind == FieldKind::Time) {
                v = tok.text;
            } else {
                const auto num = common::parseNumber(tok.text);
                if (!num) {
                    fail(QStringLiteral("字段“%1”应与数字比较").arg(f.name));
                    return {};
                }
                v = *num;
            }
            break;
        case Token::Type::Date: {
            const auto d = common::parseDate(tok.text);
            if (!d) {
                fail(QStringLiteral("#%1# 不是有效的日期").arg(tok.text));
                return {};
            }
            if (f.kind != FieldKind::Date && f.kind != FieldKind::PurchaseDate) {
                fail(QStringLiteral("字段“%1”不是日期字段").arg(f.name));
                return {};
            }
            v = common::isoDate(*d);
            break;
        }
        case Token::Type::Word:
            if (f.kind == FieldKind::YesNo) {
                const QString w = tok.text.toLower();
                if (w == QLatin1String("true") || w == QLatin1String("yes")) {
                    v = -1;
                    break;
                }
                if (w == QLatin1String("false") || w == QLatin1String("no")) {
                    v = 0;
                    break;
                }
            }
            [[fallthrough]];
        default:
            fail(QStringLiteral("应是数字、'文本' 或 #日期#"));
            return {};
        }
        ++m_at;
        m_params << v;
        return v;
    }

    QString orderList()
    {
        QStringList keys;
        do {
            const FieldDef *f = field();
            if (!f)
                return {};
            const bool descending = acceptKeyword("desc");
            if (!descending)
                acceptKeyword("asc");
            keys << orderTerm(m_engine, *f, descending);
        } while (!m_failed && acceptSymbol(","));
        return keys.join(QStringLiteral(", "));
    }

    const FieldDef *field()
    {
        if (m_failed)
            return nullptr;
        const Token &tok = peek();
        if (tok.type != Token::Type::Word) {
            fail(QStringLiteral("应是字段名"));
            return nullptr;
        }
        // Jet also accepts the qualified 客户信息.字段.
        int at = m_at;
        QString name = tok.text;
        if (name == tableName() && m_tokens.at(at + 1).text == QLatin1String(".")
            && m_tokens.at(at + 2).type == Token::Type::Word) {
            at += 2;
            name = m_tokens.at(at).text;
        }
        const FieldDef *f = findField(name);
        // Jet names are case-insensitive (Photo, photo).
        for (int i = 0; !f && i < fields().size(); ++i)
            if (fields().at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                f = &fields().at(i);
        if (!f) {
            failAt(m_tokens.at(at).position, QStringLiteral("表“客户信息”中没有字段“%1”，请检查字段名是否写错。").arg(name));
            return nullptr;
        }
        m_at = at + 1;
        return f;
    }

    void expectTable()
    {
        if (m_failed)
            return;
        if (peekWord(tableName())) {
            ++m_at;
            return;
        }
        fail(peek().type == Token::Type::Word
                 ? QStringLiteral("没有表“%1”，只有 客户信息").arg(peek().text)
                 : QStringLiteral("应是表名 客户信息"));
    }

    void expectEnd()
    {
        if (m_failed)
            return;
        // One trailing semicolon is harmless; anything after it is a second statement.
        if (acceptSymbol(";") && peek().type != Token::Type::End) {
            fail(QStringLiteral("只能执行一条语句"));
            return;
        }
        if (peek().type != Token::Type::End)
            fail(QStringLiteral("语句在“%1”处应结束").arg(peek().text));
    }

    void expectKeyword(const char *word)
    {
        if (!m_failed && !acceptKeyword(word))
            fail(QStringLiteral("此处应是“%1”").arg(QLatin1String(word).toString().toUpper()));
    }
    void expectSymbol(const char *symbol)
    {
        if (!m_failed && !acceptSymbol(symbol))
            fail(QStringLiteral("此处应是“%1”").arg(QLatin1String(symbol)));
    }

    bool acceptKeyword(const char *word)
    {
        if (m_failed)
            return false;
        const Token &tok = peek();
        if (tok.type == Token::Type::Word && tok.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool acceptSymbol(const char *symbol)
    {
        if (m_failed || !peekSymbol(symbol))
            return false;
        ++m_at;
        return true;
    }
    bool peekSymbol(const char *symbol) const
    {
        return peek().type == Token::Type::Symbol && peek().text == QLatin1String(symbol);
    }
    bool peekWord(const QString &word) const
    {
        return peek().type == Token::Type::Word && peek().text == word;
    }

    const Token &peek() const { return m_tokens.at(qMin(m_at, int(m_tokens.size()) - 1)); }

    void fail(const QString &message) { failAt(peek().position, message); }
    void failAt(int position, const QString &message)
    {
        if (m_failed)
            return;
        m_failed = true;
        m_error = syntaxError(message, position);
    }

    QVector<Token> m_tokens;
    Engine m_engine;
    int m_at = 0;
    QVariantList m_params;
    bool m_failed = false;
    common::Error m_error;
};

template <typename Run>
common::Result<JetTranslation> translate(const QString &text, Engine engine, Run run)
{
    common::Result<QVector<Token>> tokens = tokenize(text);
    if (tokens.failed())
        return tokens.error();
    Parser parser(std::move(tokens).value(), engine);
    JetTranslation t = run(parser);
    if (parser.failed())
        return parser.error();
    return t;
}

// ---------------------------------------------------------------- Like

struct PatternItem {
    enum class Type { Any, One, Digit, Literal, Set };
    Type type = Type::Literal;
    QString chars;       // literal char, or the set's single chars (case-folded)
    QVector<QPair<QChar, QChar>> ranges;
    bool negated = false;

    bool matches(QChar c) const
    {
        switch (type) {
        case Type::Any:
        case Type::One:
            return true;
        case Type::Digit:
            return c.isDigit();
        case Type::Literal:
            return chars.at(0) == c;
        case Type::Set: {
            bool in = chars.contains(c);
            for (const auto &r : ranges)
                in = in || (c >= r.first && c <= r.second);
            return in != negated;
        }
        }
        return false;
    }
};

QChar fold(QChar c) { return c.toCaseFolded(); }

QVector<PatternItem> compilePattern(const QString &pattern)
{
    using T = PatternItem::Type;
    QVector<PatternItem> items;
    const int n = int(pattern.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = pattern.at(i);
        PatternItem item;
        if (c == QLatin1Char('*')) {
            if (!items.isEmpty() && items.last().type == T::Any)
                continue;
            item.type = T::Any;
        } else if (c == QLatin1Char('?')) {
            item.type = T::One;
        } else if (c == QLatin1Char('#')) {
            item.type = T::Digit;
        } else if (c == QLatin1Char('[') && pattern.indexOf(QLatin1Char(']'), i + 1) > i) {
            const int close = int(pattern.indexOf(QLatin1Char(']'), i + 1));
            QString body = pattern.mid(i + 1, close - i - 1);
            i = close;
            item.type = T::Set;
            if (body.startsWith(QLatin1Char('!')) && body.size() > 1) {
                item.negated = true;
                body.remove(0, 1);
            }
            if (body.isEmpty())
                continue; // [] stands for nothing
            for (int k = 0; k < body.size(); ++k) {
                if (k + 2 < body.size() && body.at(k + 1) == QLatin1Char('-')) {
                    QChar lo = fold(body.at(k)), hi = fold(body.at(k + 2));
                    if (hi < lo)
                        std::swap(lo, hi);
                    item.ranges.append({lo, hi});
                    k += 2;
                } else {
                    item.chars += fold(body.at(k));
                }
            }
        } else {
            item.type = T::Literal;
            item.chars = fold(c);
        }
        items.append(item);
    }
    return items;
}

// Classic wildcard matching with one backtrack point per star: linear-ish,
// no recursion.
bool matchCompiled(const QVector<PatternItem> &items, const QString &text)
{
    using T = PatternItem::Type;
    const int n = int(text.size());
    const int m = int(items.size());
    int t = 0, p = 0, starP = -1, starT = 0;
    while (t < n) {
        if (p < m && items.at(p).type == T::Any) {
            starP = p++;
            starT = t;
        } else if (p < m && items.at(p).matches(fold(text.at(t)))) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m && items.at(p).type == T::Any)
        ++p;
    return p == m;
}

} // namespace

common::Result<JetTranslation> translateJet(const QString &statement, Engine engine)
{
    return translate(statement, engine, [](Parser &p) { return p.statement(); });
}

common::Result<JetTranslation> translateJetCondition(const QString &criterion, Engine engine)
{
    return translate(criterion, engine, [](Parser &p) { return p.bareCondition(); });
}

bool jetLike(const QString &text, const QString &pattern)
{
    return matchCompiled(compilePattern(pattern), text);
}

QString jetPatternRegex(const QString &pattern)
{
    using T = PatternItem::Type;
    // Inside a bracket expression only these stand for something else.
    const auto inBrackets = [](QChar c) {
        return c == u']' || c == u'\\' || c == u'^' || c == u'-' || c == u'[' ? QStringLiteral("\\") + c : QString(c);
    };
    QString regex = QStringLiteral("^");
    for (const PatternItem &item : compilePattern(pattern)) {
        switch (item.type) {
        case T::Any: regex += QStringLiteral(".*"); break;
        case T::One: regex += u'.'; break;
        case T::Digit: regex += QStringLiteral("[0-9]"); break;
        case T::Literal:
            regex += QStringLiteral(".^$|?*+()[]{}\\").contains(item.chars.at(0)) ? QStringLiteral("\\") + item.chars
                                                                                 : item.chars;
            break;
        case T::Set: {
            regex += item.negated ? QStringLiteral("[^") : QStringLiteral("[");
            for (const QChar c : item.chars)
                regex += inBrackets(c);
            for (const auto &[lo, hi] : item.ranges)
                regex += inBrackets(lo) + u'-' + inBrackets(hi);
            regex += u']';
            break;
        }
        }
    }
    return regex + u'$';
}

// jet_like(text, pattern) for SQLite: the compiled pattern is kept with the
// statement, so a query over the whole table compiles it once.
namespace {

// A pattern compiled once per statement. The commonest one, *text* with
// text of characters no other character folds to (Chinese, ASCII digits),
// is a search for text's UTF-8 bytes: no row is decoded for it.
struct CompiledLike {
    QVector<PatternItem> items;
    QByteArray contained; // the bytes *text* searches for; empty when the pattern is another
};

bool foldsOnlyToItself(QChar c)
{
    return c.script() == QChar::Script_Han || (c.unicode() < 128 && c.isDigit());
}

CompiledLike compileLike(const QString &pattern)
{
    CompiledLike like{compilePattern(pattern), {}};
    const QVector<PatternItem> &items = like.items;
    using T = PatternItem::Type;
    if (items.size() < 3 || items.first().type != T::Any || items.last().type != T::Any)
        return like;
    QString text;
    for (int i = 1; i + 1 < items.size(); ++i) {
        if (items.at(i).type != T::Literal || !foldsOnlyToItself(items.at(i).chars.at(0)))
            return like;
        text += items.at(i).chars;
    }
    like.contained = text.toUtf8();
    return like;
}

void jetLikeFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto *like = static_cast<CompiledLike *>(sqlite3_get_auxdata(ctx, 1));
    if (!like) {
        const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
        like = new CompiledLike(compileLike(QString::fromUtf8(p, sqlite3_value_bytes(argv[1]))));
        sqlite3_set_auxdata(ctx, 1, like, [](void *d) { delete static_cast<CompiledLike *>(d); });
        like = static_cast<CompiledLike *>(sqlite3_get_auxdata(ctx, 1));
        if (!like) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
    }
    const auto *t = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    if (!like->contained.isEmpty()) {
        sqlite3_result_int(ctx, QByteArrayView(t, bytes).contains(like->contained) ? 1 : 0);
        return;
    }
    sqlite3_result_int(ctx, matchCompiled(like->items, QString::fromUtf8(t, bytes)) ? 1 : 0);
}

} // namespace

bool registerJetLike(sqlite3 *handle)
{
    return sqlite3_create_function_v2(handle, "jet_like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, jetLikeFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace store
