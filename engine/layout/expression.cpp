// The relation chain: bracket balance, the cut at top-level relation signs,
// and the row of operands with the signs between them, each sign's cell
// centred on the shared alignment line.
#include "expression.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "memoized.h"
#include "scanners.h"
#include "style.h"
#include "term.h"

namespace nerovan {

namespace {

const char kSymbolFont[] = "Symbol";

struct RelationSign {
    const char* Typed;
    unsigned char Byte;
};

// Every sign, the longer ones before the shorter ones with the same start,
// so the first row that matches is the longest sign. Bytes are those of the
// Symbol font's character set; "<", ">", "=" and "~" alone are drawn in the
// current font.
const RelationSign kRelationSigns[] = {
    {"<=>", 0xDB}, {"<->", 0xAB}, {"<=", 0xA3},  {"<>", 0xB9},  {"<", 0x3C},   {">=", 0xB3},
    {">>", 0xAE},  {">", 0x3E},   {"==", 0xBA},  {"=>", 0xDE},  {"=<", 0xDC},  {"=~", 0x40},
    {"=", 0x3D},   {"~UU", 0xC7}, {"~c=", 0xCD}, {"~cc", 0xCB}, {"~d=", 0xCA}, {"~ee", 0xCF},
    {"~~", 0xBB},  {"~A", 0x22},  {"~E", 0x24},  {"~U", 0xC8},  {"~c", 0xCC},  {"~d", 0xC9},
    {"~e", 0xCE},  {"~", 0x7E},
};

// The four signs that are drawn in the current font (but spaced by their
// Symbol width like every other sign).
bool DrawnInCurrentFont(unsigned char byte) {
    return byte == '<' || byte == '=' || byte == '>' || byte == '~';
}

// The one-byte string holding byte, from a table that lives as long as the
// program.
std::string_view ByteString(unsigned char byte) {
    static const auto table = [] {
        std::array<char, 256> bytes{};
        for (int i = 0; i < 256; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(i);
        return bytes;
    }();
    return std::string_view(&table[byte], 1);
}

// Switches the canvas font name for a while and puts the old one back.
class FontNameScope {
public:
    FontNameScope(Canvas& canvas, const std::string& name)
        : canvas_(canvas), saved_(canvas.Font.Name) {
        canvas_.Font.Name = name;
    }
    ~FontNameScope() { canvas_.Font.Name = saved_; }
    FontNameScope(const FontNameScope&) = delete;
    FontNameScope& operator=(const FontNameScope&) = delete;

private:
    Canvas& canvas_;
    std::string saved_;
};

// The placement shared by the measuring and the painting pass: the pieces,
// each operand's box and start offset, and the box of the whole line.
struct RelationRow {
    std::string Balanced;  // the line with its missing brackets closed, when it lacks any
    PieceList Operands;    // views into the line or into Balanced
    PieceList Signs;
    SmallList<TFormulaMetrics, 6> Boxes;
    SmallList<int, 6> Offsets;
    TFormulaMetrics Box;
};

// Counts one level of nesting for the time of a layout call and refuses
// input nested deeper than the limit, or so long for its depth that the
// pieces held by the levels open at once would exhaust memory.
class NestingLevel {
public:
    NestingLevel(Canvas& canvas, std::string_view line)
        : canvas_(canvas), characters_(line.size()) {
        if (canvas_.Pass.NestingDepth >= kMaxNestingDepth)
            throw ELimitExceeded("The formula is nested too deeply: more than " +
                                 std::to_string(kMaxNestingDepth) +
                                 " levels of brackets, arguments or scripts");
        if (canvas_.Pass.NestedCharacters + characters_ > kMaxNestedCharacters)
            throw ELimitExceeded(
                "The formula is nested too deeply for its length: the parts laid out inside "
                "each other hold more than " +
                std::to_string(kMaxNestedCharacters) + " characters");
        ++canvas_.Pass.NestingDepth;
        canvas_.Pass.NestedCharacters += characters_;
    }
    ~NestingLevel() {
        --canvas_.Pass.NestingDepth;
        canvas_.Pass.NestedCharacters -= characters_;
    }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    Canvas& canvas_;
    size_t characters_;
};

// How many closing brackets the line lacks; raises EInvalidBracket at a
// closing bracket without partner.
int MissingCloseBrackets(std::string_view line) {
    BracketDepth depth;
    for (size_t i = 0; i < line.size(); ++i) {
        if (depth.Step(line[i]) < 0)
            throw EInvalidBracket("Unexpected bracket in \"" + std::string(line) +
                                  "\", pos:" + std::to_string(i + 1));
    }
    return depth.Value();
}

// What splitting a line found of its brackets: where the depth first fell
// below zero (npos: nowhere), and the depth at its end.
struct BracketScan {
    size_t Unmatched = std::string_view::npos;
    int Depth = 0;
};

BracketScan SplitRelationsScanning(std::string_view line, PieceList& operands, PieceList& signs);

// Fills row, which the caller keeps in place while it uses the operands: they
// may point into its Balanced text.
void LayOutRow(std::string_view line, Canvas& canvas, RelationRow& row) {
    // A line whose brackets are balanced is split as it stands, without a
    // copy, in the same walk that checks them.
    const BracketScan scan = SplitRelationsScanning(line, row.Operands, row.Signs);
    if (scan.Unmatched != std::string_view::npos)
        throw EInvalidBracket("Unexpected bracket in \"" + std::string(line) +
                              "\", pos:" + std::to_string(scan.Unmatched + 1));
    if (scan.Depth > 0) {
        const auto missing = static_cast<size_t>(scan.Depth);
        row.Operands.clear();
        row.Signs.clear();
        row.Balanced.reserve(line.size() + missing);
        row.Balanced.append(line).append(missing, ')');
        SplitRelations(row.Balanced, row.Operands, row.Signs);
    }
    row.Boxes.reserve(row.Operands.size());
    row.Offsets.reserve(row.Operands.size());
    int total = 0;
    int ascent = 0;
    int descent = 0;
    for (size_t i = 0; i < row.Operands.size(); ++i) {
        const TFormulaMetrics m = MeasureTerm(row.Operands[i], canvas);
        row.Boxes.push_back(m);
        row.Offsets.push_back(total);
        total = SizeSum(total, m.Width);
        ascent = std::max(ascent, m.Ascent);
        descent = std::max(descent, m.Height - m.Ascent);
        if (i < row.Signs.size()) {
            FontNameScope symbol(canvas, kSymbolFont);
            total = SizeSum(total, canvas.TextWidth(row.Signs[i]));
        }
    }
    row.Box.Width = total;
    row.Box.Ascent = ascent;
    row.Box.Height = SizeSum(ascent, descent);
}

}  // namespace

std::string BalanceBrackets(std::string_view line) {
    return std::string(line) + std::string(static_cast<size_t>(MissingCloseBrackets(line)), ')');
}

bool MatchRelation(char current, char next, char afterNext, unsigned char& byte, int& extra) {
    // Every sign begins with one of these four; most characters are none.
    if (current != '<' && current != '>' && current != '=' && current != '~') return false;
    const char following[] = {current, next, afterNext};
    for (const RelationSign& sign : kRelationSigns) {
        if (sign.Typed[0] != current) continue;
        const size_t length = std::strlen(sign.Typed);
        if (std::equal(sign.Typed, sign.Typed + length, following)) {
            byte = sign.Byte;
            extra = static_cast<int>(length) - 1;
            return true;
        }
    }
    return false;
}

void SplitRelations(std::string_view line, PieceList& operands, PieceList& signs) {
    SplitRelationsScanning(line, operands, signs);
}

namespace {

BracketScan SplitRelationsScanning(std::string_view line, PieceList& operands, PieceList& signs) {
    const auto at = [&line](size_t i) { return i < line.size() ? line[i] : ' '; };
    BracketScan scan;
    BracketDepth depth;
    size_t piece = 0;  // where the operand being collected begins
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (depth.Step(c) < 0 && scan.Unmatched == std::string_view::npos) scan.Unmatched = i;
        // Every sign begins with one of these four; most characters are none.
        if (c != '<' && c != '>' && c != '=' && c != '~') continue;
        unsigned char byte = 0;
        int extra = 0;
        // A backslash before a sign makes it an escape for the atom routines.
        const bool escaped = i > 0 && line[i - 1] == '\\';
        if (!escaped && depth.Value() == 0 && MatchRelation(c, at(i + 1), at(i + 2), byte, extra)) {
            operands.push_back(line.substr(piece, i - piece));
            signs.push_back(ByteString(byte));
            i += static_cast<size_t>(extra);
            piece = i + 1;
        }
    }
    if (piece < line.size()) operands.push_back(line.substr(piece));
    scan.Depth = depth.Value();
    return scan;
}

}  // namespace

TFormulaMetrics MeasureExpression(std::string_view line, Canvas& canvas) {
    const MeasureMemoPass pass(canvas, line);
    return Memoized(canvas, MemoRoutine::Expression, line, [&] {
        const NestingLevel level(canvas, line);
        RelationRow row;
        LayOutRow(line, canvas, row);
        return row.Box;
    });
}

TFormulaMetrics PaintExpression(std::string_view line, TFormulaOrigin origin, Canvas& canvas) {
    const MeasureMemoPass pass(canvas, line);
    const NestingLevel level(canvas, line);
    RelationRow row;
    LayOutRow(line, canvas, row);
    const int axis = origin.Y + row.Box.Ascent;
    for (size_t i = 0; i < row.Operands.size(); ++i) {
        const TFormulaMetrics& m = row.Boxes[i];
        PaintTerm(row.Operands[i], {origin.X + row.Offsets[i], axis - m.Ascent}, canvas);
        if (i < row.Signs.size()) {
            const std::string_view sign = row.Signs[i];
            const bool plain = DrawnInCurrentFont(static_cast<unsigned char>(sign[0]));
            FontNameScope font(canvas, plain ? canvas.Font.Name : std::string(kSymbolFont));
            canvas.TextOut(origin.X + row.Offsets[i] + m.Width,
                           axis - CentredAscent(canvas.TextHeight(sign)), sign);
        }
    }
    return row.Box;
}

}  // namespace nerovan
