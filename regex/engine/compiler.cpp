// Syntax tree to matcher instructions, and the facts about match starts
// that let the search skip most of the subject.
#include "regex/engine/compiler.h"

#include <algorithm>
#include <bit>

#include "regex/engine/case_fold.h"

namespace vesk::regex_engine {

namespace {

// How often a unit turns up in the pages the program reads (indented HTML
// with Chinese text); the literal search looks for the least common unit of
// a pattern's leading text first.
int Commonness(char16_t u)
{
    if (u >= 128)
        return 10;
    if (u == u' ')
        return 100;
    if (u == u'\t')
        return 90;
    if (u == u'e')
        return 80;
    if (u == u't' || u == u'a' || u == u'o' || u == u'i' || u == u'n' || u == u's' || u == u'r')
        return 70;
    if (u == u'<' || u == u'>' || u == u'"' || u == u'=' || u == u'/')
        return 65;
    if (u >= u'a' && u <= u'z')
        return 50;
    if (u >= u'0' && u <= u'9')
        return 45;
    if (u == u'\r' || u == u'\n' || u == u'.' || u == u',' || u == u':' || u == u';' || u == u'-' || u == u'_' ||
        u == u'\'')
        return 40;
    if (u >= u'A' && u <= u'Z')
        return 35;
    return 20;
}

bool SingleUnit(const Node& node)
{
    return node.kind == NodeKind::Char || node.kind == NodeKind::Any || node.kind == NodeKind::Class;
}

class Compiler {
public:
    Compiler(const Ast& ast, Program& program) : ast_(ast), program_(program), folding_(CaseFolding::Get()) {}

    void Run()
    {
        program_.groupCount = ast_.groupCount;
        program_.classes = ast_.classes;
        Emit(ast_.root);
        Add(Op::Match);
        FindFollowSets();
        AnalyseStarts();
    }

private:
    const Node& N(int index) const { return ast_.nodes[static_cast<size_t>(index)]; }
    uint32_t Here() const { return static_cast<uint32_t>(program_.code.size()); }

    Inst& Add(Op op)
    {
        program_.code.emplace_back();
        program_.code.back().op = op;
        return program_.code.back();
    }

    bool Fold() const { return program_.options.ignoreCase; }

    // Can the node match without consuming anything?
    bool Nullable(int index) const
    {
        const Node& node = N(index);
        switch (node.kind) {
        case NodeKind::Char:
        case NodeKind::Any:
        case NodeKind::Class:
            return false;
        case NodeKind::Sequence:
            for (int child : node.children) {
                if (!Nullable(child))
                    return false;
            }
            return true;
        case NodeKind::Alternation:
            for (int child : node.children) {
                if (Nullable(child))
                    return true;
            }
            return false;
        case NodeKind::Group:
            return Nullable(node.children[0]);
        case NodeKind::Repeat:
            return node.min == 0 || Nullable(node.children[0]);
        default:
            return true;  // empty, assertions, lookahead, backreference
        }
    }

    void EmitLiteral(const std::u16string& units)
    {
        Inst& inst = Add(Op::Literal);
        inst.a = static_cast<uint32_t>(program_.literals.size());
        inst.b = static_cast<uint32_t>(units.size());
        bool fold = false;
        if (Fold()) {
            for (char16_t u : units) {
                if (!folding_.IsCaseless(u))
                    fold = true;
            }
        }
        inst.fold = fold;
        for (char16_t u : units)
            program_.literals.push_back(fold ? folding_.Canonical(u) : u);
        program_.literalsAsWritten += units;
    }

    void Emit(int index)
    {
        const Node& node = N(index);
        switch (node.kind) {
        case NodeKind::Empty:
            break;
        case NodeKind::Char:
            EmitLiteral(std::u16string(1, node.unit));
            break;
        case NodeKind::Any:
            Add(Op::AnyButLf);
            break;
        case NodeKind::Class:
            Add(Op::Class).a = static_cast<uint32_t>(node.index);
            break;
        case NodeKind::Sequence: {
            // Runs of plain characters become one literal.
            std::u16string run;
            for (int child : node.children) {
                if (N(child).kind == NodeKind::Char) {
                    run.push_back(N(child).unit);
                    continue;
                }
                if (!run.empty()) {
                    EmitLiteral(run);
                    run.clear();
                }
                Emit(child);
            }
            if (!run.empty())
                EmitLiteral(run);
            break;
        }
        case NodeKind::Alternation: {
            std::vector<uint32_t> jumps;
            for (size_t k = 0; k < node.children.size(); ++k) {
                bool last = k + 1 == node.children.size();
                uint32_t split = Here();
                if (!last)
                    Add(Op::Split).a = split + 1;
                Emit(node.children[k]);
                if (!last) {
                    jumps.push_back(Here());
                    Add(Op::Jump);
                    program_.code[split].b = Here();
                }
            }
            for (uint32_t jump : jumps)
                program_.code[jump].a = Here();
            break;
        }
        case NodeKind::Group:
            Add(Op::Save).a = static_cast<uint32_t>(2 * node.index);
            Emit(node.children[0]);
            Add(Op::Save).a = static_cast<uint32_t>(2 * node.index + 1);
            break;
        case NodeKind::Look: {
            // "(?=)" always holds and "(?!a??)" never does. (Wine's copy of
            // VBScript's engine takes a lookahead whose body matches empty
            // as failing, so "(?=)" never matches there; not followed.)
            uint32_t look = Here();
            Add(Op::Look).negative = node.negative;
            Emit(node.children[0]);
            Add(Op::LookEnd);
            program_.code[look].a = Here();
            break;
        }
        case NodeKind::Repeat:
            EmitRepeat(node);
            break;
        case NodeKind::LineStart:
            Add(Op::LineStart);
            break;
        case NodeKind::LineEnd:
            Add(Op::LineEnd);
            break;
        case NodeKind::WordEdge:
            Add(Op::WordEdge);
            break;
        case NodeKind::NotWordEdge:
            Add(Op::NotWordEdge);
            break;
        case NodeKind::BackRef:
            Add(Op::BackRef).a = static_cast<uint32_t>(node.index);
            break;
        }
    }

    void EmitRepeat(const Node& node)
    {
        int child = node.children[0];
        if (node.max == 0)
            return;  // the atom is never tried
        if (node.min == 1 && node.max == 1) {
            Emit(child);
            return;
        }
        const Node& atom = N(child);
        if (SingleUnit(atom)) {
            Inst& inst = Add(Op::Repeat);
            inst.greedy = node.greedy;
            inst.b = node.min;
            inst.c = node.max;
            inst.d = kNoFollow;
            if (atom.kind == NodeKind::Any) {
                inst.unit = UnitKind::AnyButLf;
            } else if (atom.kind == NodeKind::Class) {
                inst.unit = UnitKind::Class;
                inst.a = static_cast<uint32_t>(atom.index);
            } else if (Fold() && !folding_.IsCaseless(atom.unit)) {
                inst.unit = UnitKind::FoldUnit;
                inst.a = folding_.Canonical(atom.unit);
            } else {
                inst.unit = UnitKind::Unit;
                inst.a = atom.unit;
            }
            return;
        }
        bool nullable = Nullable(child);
        if (node.min == 0 && node.max == 1 && !nullable) {
            // x? of an atom that always consumes needs neither a count nor
            // the empty-iteration check.
            uint32_t split = Here();
            Add(Op::Split);
            Emit(child);
            uint32_t after = Here();
            if (node.greedy) {
                program_.code[split].a = split + 1;
                program_.code[split].b = after;
            } else {
                program_.code[split].a = after;
                program_.code[split].b = split + 1;
            }
            return;
        }
        uint32_t loop = static_cast<uint32_t>(program_.loopCount++);
        Add(Op::LoopInit).a = loop;
        uint32_t head = Here();
        Inst& headInst = Add(Op::LoopHead);
        headInst.a = loop;
        headInst.b = node.min;
        headInst.c = node.max;
        headInst.greedy = node.greedy;
        Inst& body = Add(Op::LoopBody);
        body.a = loop;
        if (node.lastGroup >= node.firstGroup) {
            body.b = static_cast<uint32_t>(2 * node.firstGroup);
            body.c = static_cast<uint32_t>(2 * node.lastGroup + 2);
        }
        body.d = nullable ? 1 : 0;
        Emit(child);
        Inst& tail = Add(Op::LoopTail);
        tail.a = loop;
        tail.b = node.min;
        tail.c = head;
        tail.d = nullable ? 1 : 0;
        program_.code[head].d = Here();
    }

    // The units that can start what comes after each Repeat, looking
    // through group marks and jumps.
    void FindFollowSets()
    {
        for (Inst& inst : program_.code) {
            if (inst.op != Op::Repeat)
                continue;
            size_t pc = static_cast<size_t>(&inst - program_.code.data()) + 1;
            for (int hops = 0; hops < 16 && pc < program_.code.size(); ++hops) {
                const Inst& next = program_.code[pc];
                if (next.op == Op::Save) {
                    ++pc;
                    continue;
                }
                if (next.op == Op::Jump) {
                    pc = next.a;
                    continue;
                }
                char16_t first = 0;
                bool fold = false;
                bool known = false;
                if (next.op == Op::Literal) {
                    first = program_.literals[next.a];
                    fold = next.fold;
                    known = true;
                } else if (next.op == Op::Repeat && next.b >= 1 &&
                           (next.unit == UnitKind::Unit || next.unit == UnitKind::FoldUnit)) {
                    first = static_cast<char16_t>(next.a);
                    fold = next.unit == UnitKind::FoldUnit;
                    known = true;
                }
                if (known) {
                    FollowSet set;
                    if (fold) {
                        set.count = folding_.Variants(first, set.units);
                    } else {
                        set.count = 1;
                        set.units[0] = first;
                    }
                    inst.d = static_cast<uint32_t>(program_.follows.size());
                    program_.follows.push_back(set);
                }
                break;
            }
        }
    }

    // --- where matches can start ---------------------------------------

    bool Anchored(int index) const
    {
        const Node& node = N(index);
        switch (node.kind) {
        case NodeKind::LineStart:
            return true;
        case NodeKind::Sequence:
            return !node.children.empty() && Anchored(node.children[0]);
        case NodeKind::Group:
            return Anchored(node.children[0]);
        case NodeKind::Alternation:
            for (int child : node.children) {
                if (!Anchored(child))
                    return false;
            }
            return true;
        default:
            return false;
        }
    }

    // Appends the text every match of the node begins with; returns false
    // when something other than fixed text may follow it.
    bool CollectPrefix(int index, std::u16string& prefix) const
    {
        const Node& node = N(index);
        switch (node.kind) {
        case NodeKind::Char:
            prefix.push_back(node.unit);
            return true;
        case NodeKind::Empty:
        case NodeKind::LineStart:
        case NodeKind::LineEnd:
        case NodeKind::WordEdge:
        case NodeKind::NotWordEdge:
        case NodeKind::Look:
            return true;  // zero width: the text that follows starts the match
        case NodeKind::Sequence:
            for (int child : node.children) {
                if (!CollectPrefix(child, prefix))
                    return false;
            }
            return true;
        case NodeKind::Group:
            return CollectPrefix(node.children[0], prefix);
        case NodeKind::Repeat:
            if (node.min >= 1)
                CollectPrefix(node.children[0], prefix);
            return false;
        default:
            return false;
        }
    }

    static void SetBit(std::vector<uint64_t>& bits, char16_t u) { bits[u >> 6] |= uint64_t{1} << (u & 63); }

    // Adds the units that can begin a match of the node; returns whether
    // the node can match empty (so that what follows it can begin one too).
    bool AddFirstUnits(int index, std::vector<uint64_t>& bits) const
    {
        const Node& node = N(index);
        switch (node.kind) {
        case NodeKind::Char:
            if (Fold()) {
                char16_t variants[CaseFolding::kMaxVariants];
                int n = folding_.Variants(node.unit, variants);
                for (int k = 0; k < n; ++k)
                    SetBit(bits, variants[k]);
            } else {
                SetBit(bits, node.unit);
            }
            return false;
        case NodeKind::Any:
            for (uint64_t& word : bits)
                word = ~uint64_t{0};
            bits[0] &= ~(uint64_t{1} << u'\n');
            return false;
        case NodeKind::Class: {
            const CharClass& cls = ast_.classes[static_cast<size_t>(node.index)];
            bits[0] |= cls.ascii[0];
            bits[1] |= cls.ascii[1];
            for (auto [lo, hi] : cls.ranges) {
                for (uint32_t u = lo; u <= hi; ++u)
                    SetBit(bits, static_cast<char16_t>(u));
            }
            return false;
        }
        case NodeKind::Sequence:
            for (int child : node.children) {
                if (!AddFirstUnits(child, bits))
                    return false;
            }
            return true;
        case NodeKind::Alternation: {
            bool nullable = false;
            for (int child : node.children) {
                if (AddFirstUnits(child, bits))
                    nullable = true;
            }
            return nullable;
        }
        case NodeKind::Group:
            return AddFirstUnits(node.children[0], bits);
        case NodeKind::Repeat:
            if (node.max == 0)
                return true;
            return AddFirstUnits(node.children[0], bits) || node.min == 0;
        case NodeKind::BackRef:
            for (uint64_t& word : bits)
                word = ~uint64_t{0};
            return true;
        default:
            return true;  // empty, assertions, lookahead
        }
    }

    void AnalyseStarts()
    {
        program_.anchoredAtStart = !program_.options.multiline && Anchored(ast_.root);
        program_.canBeEmpty = Nullable(ast_.root);

        std::u16string prefix;
        CollectPrefix(ast_.root, prefix);
        if (!prefix.empty()) {
            program_.prefixAsWritten = prefix;
            bool fold = false;
            if (Fold()) {
                for (char16_t& u : prefix) {
                    if (!folding_.IsCaseless(u))
                        fold = true;
                }
                if (fold) {
                    for (char16_t& u : prefix)
                        u = folding_.Canonical(u);
                }
            }
            program_.prefix = prefix;
            program_.prefixFold = fold;
            // The anchor: the unit (with its case variants) least likely to
            // turn up often.
            int best = 1 << 30;
            for (size_t k = 0; k < prefix.size(); ++k) {
                char16_t units[CaseFolding::kMaxVariants];
                int n = 1;
                units[0] = prefix[k];
                if (fold)
                    n = folding_.Variants(prefix[k], units);
                int cost = 0;
                for (int v = 0; v < n; ++v)
                    cost += Commonness(units[v]);
                if (cost < best) {
                    best = cost;
                    program_.prefixAnchor = k;
                    program_.prefixAnchorCount = n;
                    std::copy(units, units + n, program_.prefixAnchorUnits);
                }
            }
            return;
        }
        if (program_.canBeEmpty)
            return;
        std::vector<uint64_t> bits(1024, 0);
        AddFirstUnits(ast_.root, bits);
        int count = 0;
        for (uint64_t word : bits)
            count += std::popcount(word);
        // A set that lets nearly everything through only costs time.
        if (count < 32768)
            program_.firstUnits = std::move(bits);
    }

    const Ast& ast_;
    Program& program_;
    const CaseFolding& folding_;
};

}  // namespace

void CompileAst(const Ast& ast, Program& program)
{
    Compiler compiler(ast, program);
    compiler.Run();
}

}  // namespace vesk::regex_engine
