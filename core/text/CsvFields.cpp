#include "core/text/CsvFields.h"

#include "core/text/CodePage.h"

namespace linnery {

namespace {

bool isBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x01 && b <= 0x20;
}

// Only the first byte of a character is looked at: a blank, comma or quote byte that is the second byte
// of a double-byte character is part of that character.
class Cursor {
  public:
    Cursor(std::string_view text, const CodePage& cp) : text_(text), cp_(cp) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    std::size_t pos() const { return pos_; }
    // The first byte of the current character; only meaningful when not at the end.
    char byte() const { return text_[pos_]; }
    bool at(char c) const { return !atEnd() && byte() == c; }
    bool atBlank() const { return !atEnd() && isBlank(byte()); }
    std::size_t charLength() const { return cp_.charLength(text_, pos_); }
    void step() { pos_ += charLength(); }
    void skipBlanks() {
        while (atBlank())
            ++pos_; // blanks are single bytes
    }
    std::string_view from(std::size_t start) const { return text_.substr(start, pos_ - start); }

  private:
    std::string_view text_;
    const CodePage& cp_;
    std::size_t pos_ = 0;
};

void readQuoted(Cursor& c, std::string& field) {
    c.step(); // the opening quote
    std::size_t run = c.pos();
    while (!c.atEnd()) {
        if (!c.at('"')) {
            c.step();
            continue;
        }
        field.append(c.from(run));
        c.step();
        if (!c.at('"'))
            return;   // the closing quote
        field += '"'; // a doubled quote stands for one
        c.step();
        run = c.pos();
    }
    field.append(c.from(run)); // never closed: the field runs to the end of the line
}

void readPlain(Cursor& c, std::string& field) {
    const std::size_t start = c.pos();
    while (!c.atEnd() && !c.at(',') && !c.atBlank())
        c.step();
    field.assign(c.from(start));
}

bool needsQuotes(std::string_view field, const CodePage& cp) {
    for (std::size_t pos = 0; pos < field.size(); pos += cp.charLength(field, pos)) {
        const char c = field[pos];
        if (c == '"' || c == ',' || isBlank(c))
            return true;
    }
    return false;
}

void appendQuoted(std::string& out, std::string_view field, const CodePage& cp) {
    out += '"';
    for (std::size_t pos = 0; pos < field.size();) {
        const std::size_t n = cp.charLength(field, pos);
        if (n == 1 && field[pos] == '"')
            out += '"';
        out.append(field.substr(pos, n));
        pos += n;
    }
    out += '"';
}

} // namespace

void splitFields(std::string_view line, const CodePage& cp, std::vector<std::string>& fields) {
    std::size_t n = 0;
    // Reuses the strings already in `fields`, so a loop over many lines allocates almost nothing.
    auto next = [&]() -> std::string& {
        if (n == fields.size())
            fields.emplace_back();
        std::string& field = fields[n++];
        field.clear();
        return field;
    };
    Cursor c(line, cp);
    c.skipBlanks();
    while (!c.atEnd()) {
        std::string& field = next();
        if (c.at('"'))
            readQuoted(c, field);
        else
            readPlain(c, field);
        c.skipBlanks();
        if (c.at(',')) {
            c.step();
            c.skipBlanks();
        }
    }
    fields.resize(n);
}

std::vector<std::string> splitFields(std::string_view line, const CodePage& cp) {
    std::vector<std::string> fields;
    splitFields(line, cp, fields);
    return fields;
}

void appendJoinedFields(const std::vector<std::string>& fields, const CodePage& cp, std::string& line) {
    if (fields.size() == 1 && fields.front().empty()) {
        line += "\"\"";
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        if (needsQuotes(fields[i], cp))
            appendQuoted(line, fields[i], cp);
        else
            line += fields[i];
    }
}

std::size_t joinedFieldEnd(std::string_view joined, std::size_t pos, const CodePage& cp) {
    const CodePage::Kind kind = cp.kind();
    if (kind == CodePage::Kind::Utf8 || kind == CodePage::Kind::SingleByte) {
        // No byte of a multi-byte UTF-8 character is ASCII, so the bytes can be searched directly.
        const std::size_t comma = joined.find(',', pos);
        if (pos >= joined.size() || joined[pos] != '"')
            return comma == std::string_view::npos ? joined.size() : comma;
        for (std::size_t at = pos + 1;;) {
            const std::size_t quote = joined.find('"', at);
            if (quote == std::string_view::npos)
                return joined.size();
            if (quote + 1 >= joined.size() || joined[quote + 1] != '"')
                return quote + 1;
            at = quote + 2;
        }
    }
    Cursor c(joined.substr(pos), cp);
    if (!c.at('"')) {
        while (!c.atEnd() && !c.at(','))
            c.step();
        return pos + c.pos();
    }
    c.step();
    while (!c.atEnd()) {
        const bool quote = c.at('"');
        c.step();
        if (quote && !c.at('"'))
            break; // the closing quote; a doubled one stands for one
        if (quote)
            c.step();
    }
    return pos + c.pos();
}

bool isJoinedForm(std::string_view line, std::size_t k, const CodePage& cp, std::size_t& start,
                  std::size_t& end) {
    // Byte by byte: commas, quotes and blanks are never part of another character where this holds.
    if (line.empty() || !cp.lowBytesStandAlone())
        return false;
    std::size_t pos = 0;
    for (std::size_t field = 0;; ++field) {
        const std::size_t from = pos;
        if (line[pos] == '"') {
            // Quoted, closed, and only because it has to be.
            bool needed = false;
            for (++pos;; ++pos) {
                if (pos == line.size())
                    return false;
                if (line[pos] == '"') {
                    if (pos + 1 == line.size() || line[pos + 1] != '"')
                        break;
                    needed = true;
                    ++pos;
                } else if (line[pos] == ',' || isBlank(line[pos])) {
                    needed = true;
                }
            }
            ++pos;
            if (!needed)
                return false;
        } else {
            for (; pos < line.size() && line[pos] != ','; ++pos)
                if (line[pos] == '"' || isBlank(line[pos]))
                    return false;
        }
        if (field == k) {
            start = from;
            end = pos;
        }
        if (pos == line.size())
            return field >= k; // fewer fields would be padded
        if (line[pos] != ',' || ++pos == line.size())
            return false; // text after a closing quote, or a final comma, which adds no field
    }
}

std::string joinFields(const std::vector<std::string>& fields, const CodePage& cp) {
    std::string line;
    appendJoinedFields(fields, cp, line);
    return line;
}

} // namespace linnery
