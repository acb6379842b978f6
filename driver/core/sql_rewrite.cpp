#include "sql_rewrite.h"

#include <algorithm>
#include <cstdint>

#include "diagnostics.h"
#include "text.h"

namespace {

constexpr int32_t escape_stack_size = static_cast<int32_t>(sizeof(Statement::escape_stack));

// Kinds of open escape on the statement's stack.
constexpr char kind_date = 'd';
constexpr char kind_time = 't';
constexpr char kind_timestamp = 's';
constexpr char kind_function = 'f';
constexpr char kind_outer_join = 'o';
constexpr char kind_call = 'c';

enum class State { normal, quoted_identifier, string_literal, escape_keyword, escape_blanks };

template <typename Char>
uint32_t unit(Char c)
{
    if constexpr (sizeof(Char) == 1) return static_cast<unsigned char>(c);
    else return static_cast<uint32_t>(c);
}

// Controls are the ASCII ones on the unit's value: bytes of multi-byte
// characters are never taken for controls and never replaced.
bool is_control(uint32_t u) { return u < 0x20 || u == 0x7F; }
bool is_blank_or_control(uint32_t u) { return u == ' ' || is_control(u); }
uint32_t lower(uint32_t u) { return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u; }

// One pass over one text; the rules of the rewriter are all here.
template <typename Char>
class Rewriter {
public:
    using View = std::basic_string_view<Char>;
    using String = std::basic_string<Char>;

    Rewriter(Statement& statement, View in, String& out)
        : statement_(statement), connection_(*statement.connection), in_(in), out_(out)
    {
    }

    void run()
    {
        statement_.escape_depth = 0;
        out_.clear();
        // Only call escapes grow the text; most texts need no more than this.
        out_.reserve(in_.size() + in_.size() / 8 + 32);
        while (pos_ < in_.size()) {
            switch (state_) {
            case State::normal: normal(); break;
            case State::quoted_identifier: quoted_identifier(); break;
            case State::string_literal: string_literal(); break;
            case State::escape_keyword: escape_keyword(); break;
            case State::escape_blanks: escape_blanks(); break;
            }
        }
    }

private:
    // The unit at `at`, or 0 past the end of the text.
    uint32_t peek(size_t at) const { return at < in_.size() ? unit(in_[at]) : 0; }

    bool starts_with(const char* ascii) const
    {
        for (size_t k = 0; ascii[k] != '\0'; ++k)
            if (pos_ + k >= in_.size() || unit(in_[pos_ + k]) != static_cast<unsigned char>(ascii[k]))
                return false;
        return true;
    }

    // Keyword skips assume the ODBC keyword is there; they stop at the end.
    void skip(size_t count) { pos_ = count < in_.size() - pos_ ? pos_ + count : in_.size(); }

    void copy() { out_.push_back(in_[pos_++]); }
    void write(const char* ascii)
    {
        for (; *ascii != '\0'; ++ascii) out_.push_back(static_cast<Char>(*ascii));
    }

    char top() const
    {
        return statement_.escape_depth > 0 ? statement_.escape_stack[statement_.escape_depth - 1] : 0;
    }

    // Escapes beyond the stack's depth are not recorded; their closing
    // brackets then close outer entries.
    bool push(char kind)
    {
        if (statement_.escape_depth >= escape_stack_size) return false;
        statement_.escape_stack[statement_.escape_depth++] = kind;
        return true;
    }

    void pop()
    {
        if (statement_.escape_depth <= 0) return;
        if (statement_.escape_stack[--statement_.escape_depth] == kind_outer_join) write(")");
    }

    void normal()
    {
        uint32_t c = peek(pos_);
        if (c == '"') {
            if (connection_.dialect >= 3) {
                copy();
                state_ = State::quoted_identifier;
            } else if (connection_.dquote) {
                copy();  // an ordinary character: braces inside still count
            } else {
                ++pos_;
            }
        } else if (c == '\'') {
            copy();
            literal_start_ = out_.size();
            state_ = State::string_literal;
        } else if (c == '{') {
            ++pos_;
            state_ = State::escape_keyword;
        } else if (c == '}') {
            ++pos_;
            pop();
        } else if (starts_with("--(*")) {
            // The long form: pass the vendor and the product clause.
            pos_ += 4;
            for (int closed = 0; pos_ < in_.size() && closed < 2; ++pos_)
                if (unit(in_[pos_]) == ')') ++closed;
            state_ = State::escape_keyword;
        } else if (starts_with("*)--")) {
            pos_ += 4;
            pop();
        } else {
            copy();  // "--" comments included: what they hold is acted upon
        }
    }

    void quoted_identifier()
    {
        if (peek(pos_) == '"') state_ = State::normal;
        copy();
    }

    void string_literal()
    {
        uint32_t c = peek(pos_);
        if (c == '\'') {
            copy();
            state_ = State::normal;
            size_t length = out_.size() - 1 - literal_start_;
            char kind = top();
            if ((kind == kind_date && length == 10) || (kind == kind_timestamp && length >= 10))
                fix_date(literal_start_);
            return;
        }
        if (top() == kind_timestamp && is_control(c)) {
            out_.push_back(static_cast<Char>(' '));
            ++pos_;
        } else {
            copy();
        }
    }

    // Year-month-day and day.month.year become month/day/year, in place.
    // Only an all-ASCII date is moved: moving the bytes of a multi-byte
    // character (or the halves of a surrogate pair) apart would corrupt it.
    void fix_date(size_t start)
    {
        Char* c = out_.data() + start;
        for (int k = 0; k < 10; ++k)
            if (unit(c[k]) >= 0x80) return;
        const Char slash = static_cast<Char>('/');
        if (unit(c[4]) == '-') {
            const Char mdy[10] = {c[5], c[6], slash, c[8], c[9], slash, c[0], c[1], c[2], c[3]};
            std::copy(mdy, mdy + 10, c);
        } else if (unit(c[2]) == '.') {
            const Char mdy[10] = {c[3], c[4], slash, c[0], c[1], slash, c[6], c[7], c[8], c[9]};
            std::copy(mdy, mdy + 10, c);
        }
    }

    void begin_call()
    {
        if (push(kind_call)) write(connection_.exec_proc ? "EXECUTE PROCEDURE " : "SELECT * FROM ");
    }

    void escape_keyword()
    {
        uint32_t c = peek(pos_);
        if (is_blank_or_control(c)) {
            ++pos_;
            return;
        }
        state_ = State::escape_blanks;
        switch (lower(c)) {
        case 't':
            if (lower(peek(pos_ + 1)) == 's') {
                push(kind_timestamp);
                skip(2);
            } else {
                push(kind_time);
                skip(1);
            }
            break;
        case 'd':
            push(kind_date);
            skip(1);
            break;
        case 'f':
            push(kind_function);
            skip(2);  // "fn"
            break;
        case 'o':
            if (push(kind_outer_join)) write("(");
            skip(2);  // "oj"
            break;
        case 'c':
            skip(4);  // "call"
            begin_call();
            break;
        case '?':
            // "? = call": the return value becomes the first output column.
            statement_.return_value_param = 1;
            while (pos_ < in_.size() && lower(unit(in_[pos_])) != 'c') ++pos_;
            skip(4);
            begin_call();
            break;
        default:
            state_ = State::normal;  // not a keyword: copied from here on
            break;
        }
    }

    void escape_blanks()
    {
        if (is_blank_or_control(peek(pos_))) ++pos_;
        else state_ = State::normal;
    }

    Statement& statement_;
    const Connection& connection_;
    View in_;
    String& out_;
    size_t pos_ = 0;
    size_t literal_start_ = 0;
    State state_ = State::normal;
};

template <typename Char>
bool needs_rewrite_units(std::basic_string_view<Char> text, const Connection& connection)
{
    bool dialect_quotes = connection.dialect < 3;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = unit(text[i]);
        if (c == '{') return true;
        if (c == '-' && i + 1 < text.size() && unit(text[i + 1]) == '-') return true;
        if (c == '"' && dialect_quotes) return true;
    }
    return false;
}

bool bad_lengths(SQLINTEGER text_length, const void* out, SQLINTEGER buffer_length)
{
    return (text_length < 0 && text_length != SQL_NTS) || (out != nullptr && buffer_length < 0);
}

template <typename Char>
SQLRETURN rewrite_scratch(Connection& connection, std::basic_string_view<Char> text,
                          std::basic_string<Char>& out)
{
    Statement scratch{};
    scratch.connection = &connection;
    if (rewrite_sql(scratch, text, out) != SQL_SUCCESS)
        return post_error(&connection, "HY000", 0, "Unexpected error parsing SQL");
    return SQL_SUCCESS;
}

}  // namespace

bool needs_rewrite(std::string_view text, const Connection& connection) noexcept
{
    return needs_rewrite_units(text, connection);
}

bool needs_rewrite(std::u16string_view text, const Connection& connection) noexcept
{
    return needs_rewrite_units(text, connection);
}

SQLRETURN rewrite_sql(Statement& statement, std::string_view text, std::string& out)
{
    Rewriter<char>(statement, text, out).run();
    return SQL_SUCCESS;
}

SQLRETURN rewrite_sql(Statement& statement, std::u16string_view text, std::u16string& out)
{
    Rewriter<char16_t>(statement, text, out).run();
    return SQL_SUCCESS;
}

SQLRETURN native_sql(Connection& connection, const SQLCHAR* text, SQLINTEGER text_length,
                     const TextOut& out)
{
    if (text == nullptr) return post_error(&connection, "HY009");
    if (bad_lengths(text_length, out.buffer(), static_cast<SQLINTEGER>(out.buffer_length())))
        return post_error(&connection, "HY090");
    CountedText source(text, text_length);  // ends at the first NUL
    std::string rewritten;
    if (rewrite_scratch(connection, source.view(), rewritten) != SQL_SUCCESS) return SQL_ERROR;
    return out.write(rewritten) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN native_sql(Connection& connection, const SQLCHAR* text, SQLINTEGER text_length,
                     SQLCHAR* out, SQLINTEGER buffer_length, SQLINTEGER* out_length)
{
    return native_sql(connection, text, text_length, narrow_out(out, buffer_length, out_length));
}

SQLRETURN native_sql_wide(Connection& connection, const SQLWCHAR* text, SQLINTEGER text_length,
                          SQLWCHAR* out, SQLINTEGER buffer_length, SQLINTEGER* out_length)
{
    if (text == nullptr) return post_error(&connection, "HY009");
    if (bad_lengths(text_length, out, buffer_length)) return post_error(&connection, "HY090");
    const WideCodec codec = wide_codec(&connection);
    NarrowArg narrow(codec, text, text_length);
    if (!narrow.ok()) return post_error(&connection, "HY000", 0, sql_text_not_convertible);
    return native_sql(connection, narrow.get(), static_cast<SQLINTEGER>(narrow.length()),
                      TextOut(TextForm::wide_chars, codec, out, buffer_length, out_length));
}
