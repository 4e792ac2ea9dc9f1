// Paths of a node in the syntax of other tools: jq, JSONPath (RFC 9535), JSON Pointer (RFC 6901),
// JavaScript and Python accessors, for pasting into what the user runs next.
//
// The node reached from the root by keys and indexes k1 .. kn is written, per syntax:
//   jq           .k  or ."k" (JSON string escaping)  [i]      root "."
//   JSONPath     $  then .k  or ['k'] (\' and \\)     [i]      root "$"
//   JSON Pointer /k with ~ as ~0 and / as ~1          /i       root ""
//   JavaScript   data  then .k  or ["k"]              [i]      root "data"
//   Python       data  then ["k"]                     [i]      root "data"
// A key is the member's key unquoted with its escapes decoded; a key written bare stands as it is.
//
// Some nodes have no such path, since those tools read standard JSON: a member whose key occurs
// more than once among its siblings (each tool keeps only one of them), a member without a key, a
// keyed element of an array, and any node of a document that gathered several top-level values.
// Then the result is not ok and `whyNot` says why, in the interface's language.
//
// Qt-free; reads the node's parent chain only (the document must have its parent links).
#pragma once

#include <cstdint>

#include "runtime/types.h"
#include "json/node.h"

namespace rg_Tolvar_JSON {

enum class ToolPathSyntax : int32_t { Jq = 0, JsonPath = 1, JsonPointer = 2, JavaScript = 3, Python = 4 };

struct ToolPath {
    bool ok = false;
    CWString text;   // the path, when ok
    CWString whyNot; // why there is none, when not ok
};

// The path of `node` in `syntax`. `topLevelValues` is the document's topLevelValueCount().
ToolPath toolPathOf(const rg_TolvarJSONJieDian& node, ToolPathSyntax syntax, int32_t topLevelValues);

// The root's path in `syntax`.
CWString toolPathRoot(ToolPathSyntax syntax);

// One step: appends to `path` the segment that leads to `child`, the `index`-th child of its
// parent; `repeatedKey` says whether another sibling has the same decoded key. False (with
// `whyNot` set, `path` unchanged) when the syntax cannot name the child. For callers that walk
// many nodes and keep the index and the key counts themselves.
bool appendToolPathSegment(const rg_TolvarJSONJieDian& child, int32_t index, bool repeatedKey,
                           ToolPathSyntax syntax, CWString& path, CWString& whyNot);

// The texts `whyNot` holds.
inline constexpr char16_t kWhyRepeatedKey[] = u"有同名的键，此语法只能取到其中一个";
inline constexpr char16_t kWhyNoKey[] = u"该成员没有键名，此语法无法表示";
inline constexpr char16_t kWhyKeyedElement[] = u"数组元素带有键名，此语法无法表示";
inline constexpr char16_t kWhySeveralValues[] = u"文档含有多个顶级值，此语法无法表示";

// A key as written (quotes and escapes included) as the text it stands for: quotes removed and
// \" \' \\ \/ \b \f \n \r \t \uXXXX decoded (an unknown escape gives the character after the
// backslash); a bare key is returned as it stands.
CWString decodedKey(CWStringView keyText);

} // namespace rg_Tolvar_JSON
