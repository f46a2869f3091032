#include "regex/engine/case_fold.h"

#include <vector>

namespace vesk::regex_engine {

namespace {

// Lower-case units and their upper-case forms, block by block.
// kShift: every unit of [first, last] maps to unit + delta.
// kPairs: [first, last] holds upper/lower pairs, upper first; each lower
//         unit (first + 1, first + 3, ...) maps to the unit before it.
enum RuleKind { kShift, kPairs };

struct Rule {
    char16_t first;
    char16_t last;
    RuleKind kind;
    int delta;
};

constexpr Rule kRules[] = {
    // ASCII
    {u'a', u'z', kShift, -32},
    // Latin-1
    {0x00B5, 0x00B5, kShift, 0x039C - 0x00B5},  // micro sign -> Greek capital mu
    {0x00E0, 0x00F6, kShift, -32},
    {0x00F8, 0x00FE, kShift, -32},
    {0x00FF, 0x00FF, kShift, 0x0178 - 0x00FF},
    // Latin Extended-A
    {0x0100, 0x012F, kPairs, 0},
    {0x0131, 0x0131, kShift, u'I' - 0x0131},  // dotless i; dropped below (ASCII)
    {0x0132, 0x0137, kPairs, 0},
    {0x0139, 0x0148, kPairs, 0},
    {0x014A, 0x0177, kPairs, 0},
    {0x0179, 0x017E, kPairs, 0},
    {0x017F, 0x017F, kShift, u'S' - 0x017F},  // long s; dropped below (ASCII)
    // Latin Extended-B, the regular runs and the common singles
    {0x0180, 0x0180, kShift, 0x0243 - 0x0180},
    {0x0182, 0x0185, kPairs, 0},
    {0x0187, 0x0188, kPairs, 0},
    {0x018B, 0x018C, kPairs, 0},
    {0x0191, 0x0192, kPairs, 0},
    {0x0195, 0x0195, kShift, 0x01F6 - 0x0195},
    {0x0198, 0x0199, kPairs, 0},
    {0x019A, 0x019A, kShift, 0x023D - 0x019A},
    {0x019E, 0x019E, kShift, 0x0220 - 0x019E},
    {0x01A0, 0x01A5, kPairs, 0},
    {0x01A7, 0x01A8, kPairs, 0},
    {0x01AC, 0x01AD, kPairs, 0},
    {0x01AF, 0x01B0, kPairs, 0},
    {0x01B3, 0x01B6, kPairs, 0},
    {0x01B8, 0x01B9, kPairs, 0},
    {0x01BC, 0x01BD, kPairs, 0},
    {0x01BF, 0x01BF, kShift, 0x01F7 - 0x01BF},
    {0x01CD, 0x01DC, kPairs, 0},
    {0x01DD, 0x01DD, kShift, 0x018E - 0x01DD},
    {0x01DE, 0x01EF, kPairs, 0},
    {0x01F4, 0x01F5, kPairs, 0},
    {0x01F8, 0x021F, kPairs, 0},
    {0x0222, 0x0233, kPairs, 0},
    {0x023B, 0x023C, kPairs, 0},
    {0x0241, 0x0242, kPairs, 0},
    {0x0246, 0x024F, kPairs, 0},
    // IPA letters that have capitals in Latin Extended-B
    {0x0253, 0x0253, kShift, 0x0181 - 0x0253},
    {0x0254, 0x0254, kShift, 0x0186 - 0x0254},
    {0x0256, 0x0257, kShift, 0x0189 - 0x0256},
    {0x0259, 0x0259, kShift, 0x018F - 0x0259},
    {0x025B, 0x025B, kShift, 0x0190 - 0x025B},
    {0x0260, 0x0260, kShift, 0x0193 - 0x0260},
    {0x0263, 0x0263, kShift, 0x0194 - 0x0263},
    {0x0268, 0x0268, kShift, 0x0197 - 0x0268},
    {0x0269, 0x0269, kShift, 0x0196 - 0x0269},
    {0x026F, 0x026F, kShift, 0x019C - 0x026F},
    {0x0272, 0x0272, kShift, 0x019D - 0x0272},
    {0x0275, 0x0275, kShift, 0x019F - 0x0275},
    {0x0280, 0x0280, kShift, 0x01A6 - 0x0280},
    {0x0283, 0x0283, kShift, 0x01A9 - 0x0283},
    {0x0288, 0x0288, kShift, 0x01AE - 0x0288},
    {0x0289, 0x0289, kShift, 0x0244 - 0x0289},
    {0x028A, 0x028B, kShift, 0x01B1 - 0x028A},
    {0x028C, 0x028C, kShift, 0x0245 - 0x028C},
    {0x0292, 0x0292, kShift, 0x01B7 - 0x0292},
    // Greek
    {0x0345, 0x0345, kShift, 0x0399 - 0x0345},
    {0x0370, 0x0373, kPairs, 0},
    {0x0376, 0x0377, kPairs, 0},
    {0x037B, 0x037D, kShift, 0x03FD - 0x037B},
    {0x03AC, 0x03AC, kShift, 0x0386 - 0x03AC},
    {0x03AD, 0x03AF, kShift, 0x0388 - 0x03AD},
    {0x03B1, 0x03C1, kShift, -32},
    {0x03C2, 0x03C2, kShift, 0x03A3 - 0x03C2},  // final sigma
    {0x03C3, 0x03CB, kShift, -32},
    {0x03CC, 0x03CC, kShift, 0x038C - 0x03CC},
    {0x03CD, 0x03CE, kShift, 0x038E - 0x03CD},
    {0x03D0, 0x03D0, kShift, 0x0392 - 0x03D0},
    {0x03D1, 0x03D1, kShift, 0x0398 - 0x03D1},
    {0x03D5, 0x03D5, kShift, 0x03A6 - 0x03D5},
    {0x03D6, 0x03D6, kShift, 0x03A0 - 0x03D6},
    {0x03D7, 0x03D7, kShift, 0x03CF - 0x03D7},
    {0x03D8, 0x03EF, kPairs, 0},
    {0x03F0, 0x03F0, kShift, 0x039A - 0x03F0},
    {0x03F1, 0x03F1, kShift, 0x03A1 - 0x03F1},
    {0x03F2, 0x03F2, kShift, 0x03F9 - 0x03F2},
    {0x03F3, 0x03F3, kShift, 0x037F - 0x03F3},
    {0x03F5, 0x03F5, kShift, 0x0395 - 0x03F5},
    {0x03F7, 0x03F8, kPairs, 0},
    {0x03FA, 0x03FB, kPairs, 0},
    // Cyrillic
    {0x0430, 0x044F, kShift, -32},
    {0x0450, 0x045F, kShift, -80},
    {0x0460, 0x0481, kPairs, 0},
    {0x048A, 0x04BF, kPairs, 0},
    {0x04C1, 0x04CE, kPairs, 0},
    {0x04CF, 0x04CF, kShift, 0x04C0 - 0x04CF},
    {0x04D0, 0x052F, kPairs, 0},
    // Armenian
    {0x0561, 0x0586, kShift, -48},
    // Latin Extended Additional
    {0x1E00, 0x1E95, kPairs, 0},
    {0x1E9B, 0x1E9B, kShift, 0x1E60 - 0x1E9B},
    {0x1EA0, 0x1EFF, kPairs, 0},
    // Greek Extended, the letters with a one-unit capital
    {0x1F00, 0x1F07, kShift, 8},
    {0x1F10, 0x1F15, kShift, 8},
    {0x1F20, 0x1F27, kShift, 8},
    {0x1F30, 0x1F37, kShift, 8},
    {0x1F40, 0x1F45, kShift, 8},
    {0x1F51, 0x1F51, kShift, 8},
    {0x1F53, 0x1F53, kShift, 8},
    {0x1F55, 0x1F55, kShift, 8},
    {0x1F57, 0x1F57, kShift, 8},
    {0x1F60, 0x1F67, kShift, 8},
    {0x1F70, 0x1F71, kShift, 0x1FBA - 0x1F70},
    {0x1F72, 0x1F75, kShift, 0x1FC8 - 0x1F72},
    {0x1F76, 0x1F77, kShift, 0x1FDA - 0x1F76},
    {0x1F78, 0x1F79, kShift, 0x1FF8 - 0x1F78},
    {0x1F7A, 0x1F7B, kShift, 0x1FEA - 0x1F7A},
    {0x1F7C, 0x1F7D, kShift, 0x1FFA - 0x1F7C},
    {0x1FB0, 0x1FB1, kShift, 8},
    {0x1FD0, 0x1FD1, kShift, 8},
    {0x1FE0, 0x1FE1, kShift, 8},
    {0x1FE5, 0x1FE5, kShift, 0x1FEC - 0x1FE5},
    // Letter-like symbols, Roman numerals, circled letters
    {0x214E, 0x214E, kShift, 0x2132 - 0x214E},
    {0x2170, 0x217F, kShift, -16},
    {0x2183, 0x2184, kPairs, 0},
    {0x24D0, 0x24E9, kShift, -26},
    // Glagolitic, Coptic
    {0x2C30, 0x2C5F, kShift, -48},
    {0x2C80, 0x2CE3, kPairs, 0},
    // Cyrillic Extended-B
    {0xA640, 0xA66D, kPairs, 0},
    {0xA680, 0xA69B, kPairs, 0},
    // Full-width Latin letters
    {0xFF41, 0xFF5A, kShift, -32},
};

}  // namespace

CaseFolding::CaseFolding()
{
    for (int u = 0; u < 65536; ++u)
        canonical_[u] = static_cast<char16_t>(u);
    for (const Rule& rule : kRules) {
        for (int u = rule.first; u <= rule.last; ++u) {
            if (rule.kind == kShift)
                canonical_[u] = static_cast<char16_t>(u + rule.delta);
            else if ((u - rule.first) % 2 == 1)
                canonical_[u] = static_cast<char16_t>(u - 1);
        }
    }
    // The digraphs come in three forms: capital, title case, small.
    for (int first : {0x01C4, 0x01C7, 0x01CA, 0x01F1}) {
        canonical_[first + 1] = static_cast<char16_t>(first);
        canonical_[first + 2] = static_cast<char16_t>(first);
    }
    // A unit beyond ASCII never becomes equal to an ASCII one.
    for (int u = 128; u < 65536; ++u) {
        if (canonical_[u] < 128)
            canonical_[u] = static_cast<char16_t>(u);
    }

    // Link every fold class into a ring: each unit points to the next unit
    // (in code order) of its class, the last one back to the first.
    std::vector<char16_t> lastOfClass(65536), firstOfClass(65536);
    std::vector<bool> seen(65536);
    for (int u = 0; u < 65536; ++u) {
        next_[u] = static_cast<char16_t>(u);
        seen[u] = false;
    }
    for (int u = 0; u < 65536; ++u) {
        char16_t c = canonical_[u];
        if (!seen[c]) {
            seen[c] = true;
            firstOfClass[c] = static_cast<char16_t>(u);
        } else {
            next_[lastOfClass[c]] = static_cast<char16_t>(u);
        }
        lastOfClass[c] = static_cast<char16_t>(u);
    }
    for (int c = 0; c < 65536; ++c) {
        if (seen[c])
            next_[lastOfClass[c]] = firstOfClass[c];
    }
}

const CaseFolding& CaseFolding::Get()
{
    static const CaseFolding table;
    return table;
}

int CaseFolding::Variants(char16_t unit, char16_t* out) const
{
    int n = 0;
    char16_t u = unit;
    do {
        out[n++] = u;
        u = next_[u];
    } while (u != unit && n < kMaxVariants);
    return n;
}

}  // namespace vesk::regex_engine
