// The notes language of a node's notes text, for example "C3:96:100%",
// "[C3 E3 G3]" or "{C3 (D3 E3)}".
//
// The token type numbers are relied upon by the notes code, which switches on
// them; NotesParser.cpp checks them against the generated header at compile
// time, so adding, renaming or reordering tokens breaks the build instead of
// the notes trees.
grammar VormaNotes;

options {
    language = C;
    output = AST;
    ASTLabelType = pANTLR3_BASE_TREE;
}

tokens {
    AST_DURATION_LIST;
    AST_LIST_ITEM;
    AST_NOTE_NODE;
    AST_PARALLEL_NODE;
    AST_PITCH_LIST;
    AST_RANDOM_NODE;
    AST_SEQUENTIAL_NODE;
    AST_VELOCITY_LIST;
}

// The list steps of the note being parsed: 0 pitches, 1 velocities, 2
// durations. It lives in the parser so that parses on different threads
// never share it. groupDepth counts the groups the parser is inside.
@parser::context {
    int mystep;
    int groupDepth;
}

@parser::apifuncs {
    ctx->mystep = 0;
    ctx->groupDepth = 0;
}

// Error recovery can swallow a closing bracket without closing a group (it
// deletes one token to match the next), so counting brackets in the text does
// not bound how deep the rules recurse. The parser refuses to open a group
// beyond this depth instead; the enclosing group then fails, which is a
// recognition error like any other.
@parser::header {
#define VORMA_NOTES_MAX_GROUP_DEPTH 256
}

// ---------------------------------------------------------------- parser

notes_text
    : contents EOF -> ^(AST_SEQUENTIAL_NODE contents?)
    ;

contents
    : ( note
      | { CTX->groupDepth < VORMA_NOTES_MAX_GROUP_DEPTH }?=> sequential_group
      | { CTX->groupDepth < VORMA_NOTES_MAX_GROUP_DEPTH }?=> parallel_group
      | { CTX->groupDepth < VORMA_NOTES_MAX_GROUP_DEPTH }?=> random_group
      )*
    ;

sequential_group
@init { CTX->groupDepth++; }
    : '(' contents ')' -> ^(AST_SEQUENTIAL_NODE contents?)
    ;
finally { CTX->groupDepth--; }

parallel_group
@init { CTX->groupDepth++; }
    : '[' contents ']' -> ^(AST_PARALLEL_NODE contents?)
    ;
finally { CTX->groupDepth--; }

random_group
@init { CTX->groupDepth++; }
    : '{' contents '}' -> ^(AST_RANDOM_NODE contents?)
    ;
finally { CTX->groupDepth--; }

note
    : { CTX->mystep = 0; }
      pitch_list
      ( COLON { CTX->mystep++; }
        ( velocity_list ( COLON { CTX->mystep++; } duration_list )?
        | COLON { CTX->mystep++; } duration_list
        )
      )?
      -> ^(AST_NOTE_NODE pitch_list velocity_list? duration_list?)
    ;

pitch_list
    : { CTX->mystep == 0 }? pitch ( ',' pitch )*
      -> ^(AST_PITCH_LIST ^(AST_LIST_ITEM pitch)+)
    ;

velocity_list
    : { CTX->mystep == 1 }? velocity ( ',' velocity )*
      -> ^(AST_VELOCITY_LIST ^(AST_LIST_ITEM velocity)+)
    ;

duration_list
    : { CTX->mystep == 2 }? duration ( ',' duration )*
      -> ^(AST_DURATION_LIST ^(AST_LIST_ITEM duration)+)
    ;

pitch
    : ABS_PITCH_VALUE
    | SIGN UINT
    ;

velocity
    : SIGN? UINT
    ;

duration
    : plain_duration
    | percent_duration
    ;

plain_duration
    : ( SIGN | '*' | '/' )? ( UINT | UTRUEFLOAT )
    ;

percent_duration
    : SIGN? ( UINT | UTRUEFLOAT ) '%'
    ;

// ---------------------------------------------------------------- lexer

COLON
    : ':'
    ;

// Listed before EXPONENT: E3 and E-1 are pitches, E38 and E-12 exponents.
ABS_PITCH_VALUE
    : PITCH_NAME PITCH_OCTAVE
    ;

UINT
    : DIGIT+
    ;

UTRUEFLOAT
    : UINT '.' UINT? EXPONENT?
    | '.' UINT EXPONENT?
    | UINT EXPONENT
    ;

// No parser rule accepts it: a text that lexes to one is invalid.
EXPONENT
    : ( 'e' | 'E' ) ( '+' | '-' )? UINT
    ;

SIGN
    : '+'
    | '-'
    ;

// A comment ends at the first line break and cannot hold characters above
// U+FFFF (they lie outside the lexer's character set).
WS
    : ( ' '
      | '\t'
      | NEWLINE
      | '//' ~( '\n' | '\f' | '\r' | '\u2029' )* NEWLINE?
      )
      { $channel = HIDDEN; }
    ;

fragment DIGIT
    : '0'..'9'
    ;

fragment NEWLINE
    : '\r' '\n'?
    | '\n'
    | '\f'
    | '\u2029'
    ;

// Sharps only; E and B have none and there are no flats.
fragment PITCH_NAME
    : ( 'A' | 'C' | 'D' | 'F' | 'G' | 'a' | 'c' | 'd' | 'f' | 'g' ) '#'?
    | 'E' | 'B' | 'e' | 'b'
    ;

fragment PITCH_OCTAVE
    : '-' ( '1' | '2' )
    | '0'..'8'
    ;
