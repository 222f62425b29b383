// The name test of the file search. Letter case never matters.
//
//   ""  (name or pattern)   matches nothing
//   "*"                     every name;  "*.*" every name with a dot
//   report                  every name that holds "report" anywhere
//   REP?                    names that begin with REP and one more character,
//                           so REPORT too: without "*" a pattern is a prefix
//   REP*   *.doc   a*b*c    with "*" the whole name must fit: "*" stands for any
//                           run of characters (none included), "?" for one, and
//                           what follows the last "*" ends the name (*.doc finds
//                           a.doc, not a.docx). Several "*" are tried at every
//                           place, so a*b*c finds aXbYc and abc.
#pragma once

#include <string_view>

namespace vantor {

bool NameMatches(std::u16string_view name, std::u16string_view pattern);

}  // namespace vantor
