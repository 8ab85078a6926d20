#pragma once
// Data objects with the semantics the program relies on: queries with named parameters,
// tables addressed by name with key and order fields, single statements. Rows are read
// completely when a data object is opened; NULL reads as empty text, 0, false or the zero
// date; CHAR texts come without trailing blanks. Modules include this header for all of them.
#include "db/Query.h"           // TIBCDataSet, TIBCQuery, Declare
#include "db/RowReader.h"       // RowReader, ReadAll, ReadRows
#include "db/SingleStatement.h" // TIBCSQL
#include "db/Table.h"           // TIBCTable
