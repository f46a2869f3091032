// The backtracking matcher. Every choice point, every undo record of a
// capture or loop register and every lookahead marker lives on one stack
// on the heap; the matcher itself is a flat loop, so neither the length of
// the subject nor the number of iterations reaches the thread's stack.
#include <algorithm>
#include <cstring>

#include "regex/engine/case_fold.h"
#include "regex/engine/program.h"
#include "regex/engine/regex_engine.h"
#include "regex/engine/unit_search.h"

namespace vesk::regex_engine {

namespace {

constexpr uint32_t kUnset = 0xFFFFFFFFu;

enum FrameKind : uint32_t {
    kChoice,        // resume at pc with pos
    kRestoreSlot,   // capture slot pc had the value pos
    kRestoreReg,    // loop register pc had the value pos
    kRepeatGreedy,  // Repeat at pc took n units from pos; give one back
    kRepeatLazy,    // Repeat at pc stands at pos after n units; take one more
    kLookMarker,    // lookahead at pc started at pos
};

struct Frame {
    uint32_t kind;
    uint32_t pc;
    uint32_t pos;
    uint32_t n;
};

bool IsWordUnit(char16_t u)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
}

enum class RunResult { Matched, Failed, Limit };

}  // namespace

Limits Limits::ForSubject(size_t subjectLength)
{
    Limits limits;
    limits.steps += 16ull * subjectLength;
    return limits;
}

struct Searcher::State {
    const Program* program = nullptr;
    const char16_t* s = nullptr;
    uint32_t length = 0;
    const char16_t* canonical = nullptr;
    std::vector<uint32_t> slots;
    std::vector<uint32_t> regs;
    std::vector<Frame> stack;
    uint64_t stepsLeft = 0;
    uint64_t stepsGiven = 0;
    size_t maxFrames = 0;
    bool tooLong = false;

    bool UnitMatches(const Inst& inst, char16_t u) const
    {
        switch (inst.unit) {
        case UnitKind::AnyButLf: return u != u'\n';
        case UnitKind::Unit: return u == inst.a;
        case UnitKind::FoldUnit: return canonical[u] == inst.a;
        default: return program->classes[inst.a].Contains(u);
        }
    }

    // How many units from `pos` (at most `limit`) the Repeat's atom takes.
    uint32_t CountRun(const Inst& inst, uint32_t pos, uint32_t limit) const
    {
        uint32_t end = pos + limit;
        if (inst.unit == UnitKind::AnyButLf) {
            const char16_t lf = u'\n';
            size_t at = FindFirstOf(s, pos, end, &lf, 1);
            return at == kNotFound ? limit : static_cast<uint32_t>(at) - pos;
        }
        uint32_t p = pos;
        switch (inst.unit) {
        case UnitKind::Unit:
            while (p < end && s[p] == inst.a)
                ++p;
            break;
        case UnitKind::FoldUnit:
            while (p < end && canonical[s[p]] == inst.a)
                ++p;
            break;
        default: {
            const CharClass& cls = program->classes[inst.a];
            while (p < end && cls.Contains(s[p]))
                ++p;
            break;
        }
        }
        return p - pos;
    }

    bool InFollow(const FollowSet& follow, char16_t u) const
    {
        for (int k = 0; k < follow.count; ++k) {
            if (follow.units[k] == u)
                return true;
        }
        return false;
    }

    // Does the literal stand at pos? `written` is the literal as the
    // pattern has it, `folded` its canonical forms (used only with fold).
    // Pages mostly repeat the pattern's own case, so with fold the units
    // are first compared four at a time as written, and only a group of
    // four that differs is compared unit by unit through the fold table.
    bool LiteralAt(uint32_t pos, const char16_t* written, const char16_t* folded, uint32_t n, bool fold) const
    {
        if (length - pos < n)
            return false;
        const char16_t* p = s + pos;
        if (!fold)
            return std::memcmp(p, written, n * sizeof(char16_t)) == 0;
        uint32_t k = 0;
        for (; k + 4 <= n; k += 4) {
            uint64_t a, b;
            std::memcpy(&a, p + k, sizeof a);
            std::memcpy(&b, written + k, sizeof b);
            if (a == b)
                continue;
            for (uint32_t j = k; j < k + 4; ++j) {
                if (p[j] != written[j] && canonical[p[j]] != folded[j])
                    return false;
            }
        }
        for (; k < n; ++k) {
            if (p[k] != written[k] && canonical[p[k]] != folded[k])
                return false;
        }
        return true;
    }

    inline bool Push(uint32_t kind, uint32_t pc, uint32_t pos, uint32_t n)
    {
        if (stack.size() >= maxFrames)
            return false;
        stack.push_back(Frame{kind, pc, pos, n});
        return true;
    }

    RunResult Run(uint32_t start);
    size_t FindPrefix(size_t from) const;
};

// One match attempt at `start`.
RunResult Searcher::State::Run(uint32_t start)
{
    const Inst* code = program->code.data();
    const char16_t* literals = program->literals.data();
    const char16_t* literalsAsWritten = program->literalsAsWritten.data();
    const bool multiline = program->options.multiline;
    std::fill(slots.begin(), slots.end(), kUnset);
    stack.clear();
    uint32_t pos = start;
    uint32_t pc = 0;
    uint64_t steps = stepsLeft;
    RunResult result = RunResult::Failed;

// Records the old value of a slot or register, unless no choice point is
// left that could come back to it.
#define VESK_SAVE_OLD(kind, index, value)                      \
    do {                                                       \
        if (!stack.empty() && !Push(kind, index, value, 0)) { \
            result = RunResult::Limit;                         \
            goto done;                                         \
        }                                                      \
    } while (0)
#define VESK_PUSH(kind, pcValue, posValue, nValue)    \
    do {                                              \
        if (!Push(kind, pcValue, posValue, nValue)) { \
            result = RunResult::Limit;                \
            goto done;                                \
        }                                             \
    } while (0)

    for (;;) {
        if (steps == 0) {
            result = RunResult::Limit;
            goto done;
        }
        --steps;
        {
            const Inst& inst = code[pc];
            switch (inst.op) {
            case Op::Literal:
                if (!LiteralAt(pos, literalsAsWritten + inst.a, literals + inst.a, inst.b, inst.fold))
                    goto fail;
                pos += inst.b;
                ++pc;
                continue;
            case Op::AnyButLf:
                // "." is any unit but LF; CR matches it, as in VBScript on
                // Windows (Wine's copy of the engine also refuses CR).
                if (pos >= length || s[pos] == u'\n')
                    goto fail;
                ++pos;
                ++pc;
                continue;
            case Op::Class:
                if (pos >= length || !program->classes[inst.a].Contains(s[pos]))
                    goto fail;
                ++pos;
                ++pc;
                continue;
            case Op::LineStart:
                // With Multiline, VBScript's engine takes CR as a line end
                // just as LF: "^" matches after either and "$" before either
                // ("^." over "a\rb\nc" finds a, b and c). Without it they
                // match at the ends of the subject only, not before a final LF.
                // (Wine's copy of the engine also ends lines at U+2028 and
                // U+2029; the program's pages never hold them, and "." here
                // matches them, so they are not line ends here.)
                if (pos == 0 || (multiline && (s[pos - 1] == u'\n' || s[pos - 1] == u'\r'))) {
                    ++pc;
                    continue;
                }
                goto fail;
            case Op::LineEnd:
                if (pos == length || (multiline && (s[pos] == u'\n' || s[pos] == u'\r'))) {
                    ++pc;
                    continue;
                }
                goto fail;
            case Op::WordEdge:
            case Op::NotWordEdge: {
                bool before = pos > 0 && IsWordUnit(s[pos - 1]);
                bool after = pos < length && IsWordUnit(s[pos]);
                if ((before != after) != (inst.op == Op::WordEdge))
                    goto fail;
                ++pc;
                continue;
            }
            case Op::Save:
                VESK_SAVE_OLD(kRestoreSlot, inst.a, slots[inst.a]);
                slots[inst.a] = pos;
                ++pc;
                continue;
            case Op::Split:
                VESK_PUSH(kChoice, inst.b, pos, 0);
                pc = inst.a;
                continue;
            case Op::Jump:
                pc = inst.a;
                continue;
            case Op::Repeat: {
                uint32_t available = length - pos;
                uint32_t most = inst.c < available ? inst.c : available;
                if (inst.greedy) {
                    uint32_t n = CountRun(inst, pos, most);
                    steps -= std::min<uint64_t>(steps, n / 4);
                    if (n < inst.b)
                        goto fail;
                    if (n > inst.b)
                        VESK_PUSH(kRepeatGreedy, pc, pos, n);
                    pos += n;
                } else {
                    if (inst.b > 0) {
                        if (inst.b > most || CountRun(inst, pos, inst.b) < inst.b)
                            goto fail;
                        pos += inst.b;
                    }
                    if (inst.b < inst.c && pos < length)
                        VESK_PUSH(kRepeatLazy, pc, pos, inst.b);
                }
                ++pc;
                continue;
            }
            case Op::LoopInit:
                VESK_SAVE_OLD(kRestoreReg, 2 * inst.a, regs[2 * inst.a]);
                regs[2 * inst.a] = 0;
                ++pc;
                continue;
            case Op::LoopHead: {
                uint32_t count = regs[2 * inst.a];
                if (count >= inst.c) {
                    pc = inst.d;
                } else if (count < inst.b) {
                    ++pc;
                } else if (inst.greedy) {
                    VESK_PUSH(kChoice, inst.d, pos, 0);
                    ++pc;
                } else {
                    VESK_PUSH(kChoice, pc + 1, pos, 0);
                    pc = inst.d;
                }
                continue;
            }
            case Op::LoopBody:
                if (inst.d) {
                    VESK_SAVE_OLD(kRestoreReg, 2 * inst.a + 1, regs[2 * inst.a + 1]);
                    regs[2 * inst.a + 1] = pos;
                }
                // Each iteration starts with the groups inside it cleared:
                // in VBScript's engine "((a)|b)+" over "ab" leaves group 2
                // Empty, not "a".
                for (uint32_t slot = inst.b; slot < inst.c; ++slot) {
                    if (slots[slot] != kUnset) {
                        VESK_SAVE_OLD(kRestoreSlot, slot, slots[slot]);
                        slots[slot] = kUnset;
                    }
                }
                ++pc;
                continue;
            case Op::LoopTail: {
                uint32_t count = regs[2 * inst.a];
                // An iteration beyond the minimum that consumed nothing
                // ends the loop as a failure of that path.
                if (inst.d && count >= inst.b && pos == regs[2 * inst.a + 1])
                    goto fail;
                VESK_SAVE_OLD(kRestoreReg, 2 * inst.a, count);
                regs[2 * inst.a] = count + 1;
                pc = inst.c;
                continue;
            }
            case Op::BackRef: {
                uint32_t from = slots[2 * inst.a];
                uint32_t to = slots[2 * inst.a + 1];
                if (from == kUnset || to == kUnset) {
                    // A group that has not matched (or not yet: "\1(a)")
                    // stands for the empty text, as in VBScript's engine.
                    ++pc;
                    continue;
                }
                uint32_t n = to - from;
                if (length - pos < n)
                    goto fail;
                bool fold = program->options.ignoreCase;
                for (uint32_t k = 0; k < n; ++k) {
                    char16_t a = s[from + k], b = s[pos + k];
                    if (a != b && (!fold || canonical[a] != canonical[b]))
                        goto fail;
                }
                pos += n;
                ++pc;
                continue;
            }
            case Op::Look:
                VESK_PUSH(kLookMarker, pc, pos, 0);
                ++pc;
                continue;
            case Op::LookEnd: {
                size_t marker = stack.size();
                while (stack[--marker].kind != kLookMarker) {
                }
                const Frame look = stack[marker];
                const Inst& lookInst = code[look.pc];
                if (!lookInst.negative) {
                    // The lookahead holds: drop its choice points but keep
                    // the undo records, so that backtracking past it still
                    // clears the groups it set.
                    size_t w = marker;
                    for (size_t k = marker + 1; k < stack.size(); ++k) {
                        if (stack[k].kind == kRestoreSlot || stack[k].kind == kRestoreReg)
                            stack[w++] = stack[k];
                    }
                    stack.resize(w);
                    pos = look.pos;
                    pc = lookInst.a;
                    continue;
                }
                // A negative lookahead whose body matched: undo the body and fail.
                for (size_t k = stack.size(); k-- > marker + 1;) {
                    const Frame& f = stack[k];
                    if (f.kind == kRestoreSlot)
                        slots[f.pc] = f.pos;
                    else if (f.kind == kRestoreReg)
                        regs[f.pc] = f.pos;
                }
                stack.resize(marker);
                goto fail;
            }
            case Op::Match:
                slots[0] = start;
                slots[1] = pos;
                result = RunResult::Matched;
                goto done;
            }
        }

    fail:
        for (;;) {
            if (stack.empty()) {
                result = RunResult::Failed;
                goto done;
            }
            if (steps == 0) {
                result = RunResult::Limit;
                goto done;
            }
            --steps;
            Frame& f = stack.back();
            switch (f.kind) {
            case kChoice:
                pc = f.pc;
                pos = f.pos;
                stack.pop_back();
                break;
            case kRestoreSlot:
                slots[f.pc] = f.pos;
                stack.pop_back();
                continue;
            case kRestoreReg:
                regs[f.pc] = f.pos;
                stack.pop_back();
                continue;
            case kRepeatGreedy: {
                const Inst& inst = code[f.pc];
                uint32_t n = f.n - 1;
                uint32_t from = f.pos;
                if (inst.d != kNoFollow) {
                    // Give back units until one that can start what follows.
                    const FollowSet& follow = program->follows[inst.d];
                    uint32_t skipped = 0;
                    while (n > inst.b && (from + n >= length || !InFollow(follow, s[from + n]))) {
                        --n;
                        ++skipped;
                    }
                    steps -= std::min<uint64_t>(steps, skipped / 4);
                }
                pc = f.pc + 1;
                pos = from + n;
                if (n > inst.b)
                    f.n = n;
                else
                    stack.pop_back();
                break;
            }
            case kRepeatLazy: {
                const Inst& inst = code[f.pc];
                uint32_t p = f.pos;
                uint32_t n = f.n;
                if (p >= length || !UnitMatches(inst, s[p])) {
                    stack.pop_back();
                    continue;
                }
                ++p;
                ++n;
                if (inst.d != kNoFollow && n < inst.c) {
                    // Take units while none of them can start what follows.
                    const FollowSet& follow = program->follows[inst.d];
                    uint32_t room = inst.c - n;
                    uint32_t end = length - p < room ? length : p + room;
                    uint32_t stop;
                    if (inst.unit == UnitKind::AnyButLf) {
                        char16_t units[5];
                        std::copy(follow.units, follow.units + follow.count, units);
                        units[follow.count] = u'\n';
                        size_t at = FindFirstOf(s, p, end, units, follow.count + 1);
                        stop = at == kNotFound ? end : static_cast<uint32_t>(at);
                    } else {
                        stop = p;
                        while (stop < end && !InFollow(follow, s[stop]) && UnitMatches(inst, s[stop]))
                            ++stop;
                    }
                    steps -= std::min<uint64_t>(steps, (stop - p) / 4);
                    n += stop - p;
                    p = stop;
                }
                pc = f.pc + 1;
                pos = p;
                if (n < inst.c && p < length) {
                    f.pos = p;
                    f.n = n;
                } else {
                    stack.pop_back();
                }
                break;
            }
            case kLookMarker: {
                // The body of the lookahead failed.
                const Inst& inst = code[f.pc];
                uint32_t at = f.pos;
                stack.pop_back();
                if (!inst.negative)
                    continue;
                pos = at;
                pc = inst.a;
                break;
            }
            }
            break;
        }
    }

done:
#undef VESK_SAVE_OLD
#undef VESK_PUSH
    stepsLeft = steps;
    return result;
}

// The first position at or after `from` where the program's prefix stands.
size_t Searcher::State::FindPrefix(size_t from) const
{
    const std::u16string& prefix = program->prefix;
    size_t m = prefix.size();
    if (from > length || length - from < m)
        return kNotFound;
    size_t k = program->prefixAnchor;
    size_t lastStart = length - m;
    size_t q = from + k;
    for (;;) {
        q = FindFirstOf(s, q, lastStart + k + 1, program->prefixAnchorUnits, program->prefixAnchorCount);
        if (q == kNotFound)
            return kNotFound;
        size_t candidate = q - k;
        if (LiteralAt(static_cast<uint32_t>(candidate), program->prefixAsWritten.data(), prefix.data(),
                      static_cast<uint32_t>(m), program->prefixFold))
            return candidate;
        ++q;
    }
}

Searcher::Searcher(const Regex& regex, std::u16string_view subject)
    : Searcher(regex, subject, Limits::ForSubject(subject.size()))
{
}

Searcher::Searcher(const Regex& regex, std::u16string_view subject, Limits limits) : state_(new State)
{
    State& st = *state_;
    st.program = regex.program();
    st.s = subject.data();
    // Positions are 32-bit; the automation strings never get near that.
    st.tooLong = subject.size() >= 0x7FFFFFFFu;
    st.length = st.tooLong ? 0 : static_cast<uint32_t>(subject.size());
    st.canonical = CaseFolding::Get().CanonicalTable();
    st.stepsLeft = limits.steps;
    st.stepsGiven = limits.steps;
    st.maxFrames = std::max<size_t>(limits.backtrackEntries, 16);
    if (st.program) {
        st.slots.assign(2 * (static_cast<size_t>(st.program->groupCount) + 1), kUnset);
        st.regs.assign(2 * static_cast<size_t>(st.program->loopCount), 0);
    }
}

Searcher::~Searcher() = default;

uint64_t Searcher::stepsUsed() const { return state_->stepsGiven - state_->stepsLeft; }

SearchStatus Searcher::FindNext(size_t from, Match& match)
{
    State& st = *state_;
    if (!st.program)
        return SearchStatus::NotFound;
    if (st.tooLong)
        return SearchStatus::LimitExceeded;
    const Program& program = *st.program;
    const size_t length = st.length;
    if (from > length)
        return SearchStatus::NotFound;
    if (program.anchoredAtStart && from > 0)
        return SearchStatus::NotFound;
    const bool usePrefix = !program.prefix.empty();
    const bool useFirst = !usePrefix && !program.firstUnits.empty();
    const uint64_t* first = useFirst ? program.firstUnits.data() : nullptr;
    size_t start = from;
    for (;;) {
        if (usePrefix) {
            start = st.FindPrefix(start);
            if (start == kNotFound)
                return SearchStatus::NotFound;
        } else if (useFirst) {
            while (start < length && !((first[st.s[start] >> 6] >> (st.s[start] & 63)) & 1))
                ++start;
            if (start >= length)
                return SearchStatus::NotFound;
        }
        // Every attempt costs at least one step, so a scan of many
        // hopeless starts is bounded too.
        RunResult result = st.Run(static_cast<uint32_t>(start));
        if (result == RunResult::Matched) {
            match.start = static_cast<int32_t>(st.slots[0]);
            match.length = static_cast<int32_t>(st.slots[1] - st.slots[0]);
            match.groups.resize(static_cast<size_t>(program.groupCount));
            for (int g = 1; g <= program.groupCount; ++g) {
                uint32_t a = st.slots[2 * g], b = st.slots[2 * g + 1];
                Capture& capture = match.groups[static_cast<size_t>(g - 1)];
                if (a == kUnset || b == kUnset || b < a) {
                    capture = Capture{};
                } else {
                    capture.start = static_cast<int32_t>(a);
                    capture.length = static_cast<int32_t>(b - a);
                }
            }
            return SearchStatus::Found;
        }
        if (result == RunResult::Limit)
            return SearchStatus::LimitExceeded;
        if (program.anchoredAtStart || start >= length)
            return SearchStatus::NotFound;
        ++start;
    }
}

}  // namespace vesk::regex_engine
