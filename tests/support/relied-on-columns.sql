/* Leaves a database made from sql/schema.sql with only the columns the program may rely on an
   installation to have: drops the texts that the business system keeps for its own screens and
   that an installation may lack or name otherwise (order, position and assembly names, material
   and cost-centre names, the texts of the VAT and surcharge codes). Kept: every column the
   order hours run, the target calculation and the actual hours read or write, the identity keys
   PTMLFNR and ZELFNR (a real table has some key of its own) and KEYTAB, which only the
   procedure GETKEYTAB reads.
   Run it after the data is loaded (sql/demo.sql fills these columns) and before a program's
   connection prepares statements on the tables:
       isql-fb -q -bail -i tests/support/relied-on-columns.sql <database>
   TestDatabase::KeepOnlyReliedOnColumns runs it on a test database. */
ALTER TABLE AUFTRAG DROP ABEZEICH;
ALTER TABLE POSITIONEN DROP APBEZEICH;
ALTER TABLE POS_BGR DROP APBGNAME;
ALTER TABLE MATERIAL DROP MANAME;
ALTER TABLE KOSTENST DROP KONAME;
ALTER TABLE TABMW DROP MWTEXT;
ALTER TABLE TABZL DROP ZLTEXT;
