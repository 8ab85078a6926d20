#pragma once
// Small order data for the order hours run, written as SQL next to the assertions: orders
// with one position, target pieces of per-piece activities, and time records of one employee
// with the wage factor 1.
#include <string>

namespace sollist::batch::testdata {

// MONT takes 30 minutes a piece, ZUSCHN 6; REGIE is time and material under its own cost
// centre. ANNA's wage factor is 1.
inline const char* const MasterData = R"(
INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('MON', 1);
INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('ZUS', 1);
INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('REG', 1);
INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('1', 8.1);
INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ('KM', 'KM', 1.2);
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ)
    VALUES ('MONT', 'Montage', 'MONT', 0, 0, 30, 'P', 0, 'MON', 'STK');
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ)
    VALUES ('ZUSCHN', 'Zuschnitt', 'ZUSCHN', 0, 0, 6, 'P', 0, 'ZUS', 'STK');
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ)
    VALUES ('REGIE', 'Regie', 'REGIE', 0, 0, 60, 'R', 0, 'REG', 'STK');
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2000-01-01', 1.0);
)";

inline std::string Surcharge(int percent) {
    return "INSERT INTO INIFILE (SECTION, NAME, WERT) VALUES ('FIRMENSTAMM', 'VERTZUSCHL', '" +
           std::to_string(percent) + "');";
}

// An order with one position; closing is an SQL date expression or NULL.
inline std::string Order(const std::string& ofNumm, const std::string& closing = "NULL") {
    return "INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ASABGESCHL, ASMONTZULG) VALUES ('" + ofNumm + "', 'N" +
           ofNumm + "', " + closing +
           ", 'KM');"
           "INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST) VALUES ('" +
           ofNumm + "', '1', 1, '1');";
}

// Target pieces of an activity on the order's position.
inline std::string Target(const std::string& ofNumm, int lfd, const std::string& activity, double pieces) {
    return "INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, PTSOLLME, PTMGMULT, PTERSCHW, "
           "PTBEZEICH) VALUES ('" +
           ofNumm + "', '1', " + std::to_string(lfd) + ", '" + activity + "', " + std::to_string(pieces) +
           ", 0, 1, 'x');";
}

// ANNA's booking on the order, from and to as hours of the day.
inline std::string Booking(const std::string& ofNumm, const std::string& day, double from, double to,
                           const std::string& activity) {
    return "INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) "
           "VALUES ('ANNA', '" +
           day + "', " + std::to_string(from) + ", " + std::to_string(to) + ", '" + ofNumm + "', '" +
           activity + "');";
}

// The AufSStd rows as "order/activity/cost centre/target/actual", sorted, blank-separated.
inline const char* const AufsStdListing =
    "SELECT LIST(r, ' ') FROM (SELECT TRIM(ASOFNUMM) || '/' || TRIM(ASRMTAT) || '/' || "
    "TRIM(ASKONUMM) || '/' || CAST(ASSOLLSTD AS NUMERIC(9,3)) || '/' || "
    "CAST(ASISTSTD AS NUMERIC(9,3)) AS r FROM AUFSSTD ORDER BY ASOFNUMM, ASRMTAT)";

// The order totals as "order/target/production/time and material/office/last day/cost centre",
// sorted, blank-separated; "-" for NULL.
inline const char* const AuftragListing =
    "SELECT LIST(r, ' ') FROM (SELECT TRIM(AOFNUMM) || '/' || "
    "COALESCE(CAST(ASSOLLSTND AS NUMERIC(9,3)), '-') || '/' || "
    "COALESCE(CAST(ASISTSTND AS NUMERIC(9,3)), '-') || '/' || "
    "COALESCE(CAST(ASREGSTND AS NUMERIC(9,3)), '-') || '/' || "
    "COALESCE(CAST(AOFFSTND AS NUMERIC(9,3)), '-') || '/' || COALESCE(CAST(ASISTBIS AS VARCHAR(10)), '-') || '/' || "
    "COALESCE(TRIM(ASKOLETZT), '-') AS r FROM AUFTRAG ORDER BY AOFNUMM)";

} // namespace sollist::batch::testdata
