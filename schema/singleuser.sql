-- Company template of the single-user target (one SQLite file per company).
-- Name columns compare without regard to case, as the import's lookups expect;
-- every name and every code a lookup queries has an index in the same collation.

CREATE TABLE accounthead (
  headcode SMALLINT PRIMARY KEY,
  headname VARCHAR(50) COLLATE NOCASE,
  underhead SMALLINT,
  headlevel SMALLINT
);
CREATE INDEX accounthead_headname ON accounthead (headname COLLATE NOCASE);
CREATE INDEX accounthead_underhead ON accounthead (underhead);

CREATE TABLE accountledger (
  ledcode VARCHAR(10) PRIMARY KEY,
  ledname VARCHAR(50) COLLATE NOCASE,
  headcode SMALLINT,
  address VARCHAR(60),
  city VARCHAR(25),
  pincode VARCHAR(7),
  cperson VARCHAR(25),
  phone VARCHAR(30),
  faxno VARCHAR(15),
  cellphone VARCHAR(15),
  email VARCHAR(50),
  gstno VARCHAR(25),
  cstno VARCHAR(25),
  flag SMALLINT
);
CREATE INDEX accountledger_ledname ON accountledger (ledname COLLATE NOCASE);
CREATE INDEX accountledger_headcode ON accountledger (headcode);

CREATE TABLE generalledger (
  vdate DATE,
  vtype VARCHAR(4),
  vno INTEGER,
  slno SMALLINT,
  ledcode VARCHAR(10),
  particulars VARCHAR(100),
  dbamt DOUBLE,
  cramt DOUBLE
);
CREATE INDEX generalledger_ledcode ON generalledger (ledcode);
CREATE INDEX generalledger_voucher ON generalledger (vtype, vno);

CREATE TABLE productgroup (
  gpcode SMALLINT PRIMARY KEY,
  gpname VARCHAR(50) COLLATE NOCASE,
  gpdesc VARCHAR(50),
  gpunder SMALLINT,
  gplevel SMALLINT
);
CREATE INDEX productgroup_gpname ON productgroup (gpname COLLATE NOCASE);
CREATE INDEX productgroup_gpunder ON productgroup (gpunder);

CREATE TABLE product (
  pcode VARCHAR(30) PRIMARY KEY COLLATE NOCASE,
  pname VARCHAR(50) COLLATE NOCASE,
  gpcode SMALLINT,
  mrprate DOUBLE,
  pcolor VARCHAR(20),
  minlmt DOUBLE,
  reorderlmt DOUBLE,
  maxlmt DOUBLE,
  pdesc VARCHAR(50),
  balance DOUBLE,
  purrate DOUBLE,
  salerate DOUBLE,
  baseunit SMALLINT,
  unitinrpt SMALLINT,
  salesrate1 DOUBLE,
  salesrate2 DOUBLE,
  salesrate3 DOUBLE,
  salesrate4 DOUBLE,
  purrate1 DOUBLE,
  purrate2 DOUBLE,
  purrate3 DOUBLE,
  purrate4 DOUBLE,
  purchaseunit SMALLINT,
  salesunit SMALLINT,
  userfield1 VARCHAR(50),
  userfield2 VARCHAR(50),
  userfield3 VARCHAR(50),
  userfield4 VARCHAR(50)
);
CREATE INDEX product_pname ON product (pname COLLATE NOCASE);
CREATE INDEX product_gpcode ON product (gpcode);

CREATE TABLE productunits (
  pcode VARCHAR(30) COLLATE NOCASE,
  unitid SMALLINT,
  unit VARCHAR(15) COLLATE NOCASE,
  cf DOUBLE
);
CREATE INDEX productunits_pcode ON productunits (pcode COLLATE NOCASE, unitid);
CREATE INDEX productunits_unit ON productunits (unit COLLATE NOCASE, pcode COLLATE NOCASE);

CREATE TABLE productslab (
  PCode VARCHAR(30) COLLATE NOCASE,
  Purchase SMALLINT
);
CREATE INDEX productslab_pcode ON productslab (PCode COLLATE NOCASE);

CREATE TABLE depot (
  dcode SMALLINT PRIMARY KEY,
  dname VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX depot_dname ON depot (dname COLLATE NOCASE);

CREATE TABLE productbatch (
  batchid SMALLINT PRIMARY KEY,
  pcode VARCHAR(30) COLLATE NOCASE,
  batchname VARCHAR(30) COLLATE NOCASE,
  description VARCHAR(50),
  manfdate DATE,
  expdate DATE
);
CREATE INDEX productbatch_pcode ON productbatch (pcode COLLATE NOCASE);
CREATE INDEX productbatch_batchname ON productbatch (batchname COLLATE NOCASE);

CREATE TABLE inventory (
  dcode SMALLINT,
  invdate DATE,
  pcode VARCHAR(30) COLLATE NOCASE,
  batchid SMALLINT,
  os DOUBLE
);
CREATE INDEX inventory_pcode ON inventory (pcode COLLATE NOCASE, dcode, batchid);

CREATE TABLE transactionreceipts (
  rcptcode INTEGER,
  vno VARCHAR(10),
  rcpttype VARCHAR(4),
  dcode SMALLINT,
  rcptdate DATE,
  amt DOUBLE,
  chkdep SMALLINT
);
CREATE INDEX transactionreceipts_rcptcode ON transactionreceipts (rcptcode);

CREATE TABLE receiptdetails (
  rcptcode INTEGER,
  slno SMALLINT,
  PCode VARCHAR(30),
  unitid SMALLINT,
  cf DOUBLE,
  batchid SMALLINT,
  qty DOUBLE,
  Rate DOUBLE
);
CREATE INDEX receiptdetails_rcptcode ON receiptdetails (rcptcode, slno);
CREATE INDEX receiptdetails_pcode ON receiptdetails (PCode COLLATE NOCASE);

CREATE TABLE PARAMLIST (
  paramname VARCHAR(20) COLLATE NOCASE,
  paramtype SMALLINT,
  paramvalue VARCHAR(50)
);
CREATE INDEX paramlist_paramname ON PARAMLIST (paramname COLLATE NOCASE, paramtype);

INSERT INTO accounthead VALUES (1, 'Cash', 11, 1);
INSERT INTO accounthead VALUES (2, 'Assets', 0, 0);
INSERT INTO accounthead VALUES (3, 'Fixed Assets', 2, 0);
INSERT INTO accounthead VALUES (6, 'Investments', 2, 0);
INSERT INTO accounthead VALUES (7, 'Current Assets', 2, 0);
INSERT INTO accounthead VALUES (9, 'Sundry Debtors', 7, 1);
INSERT INTO accounthead VALUES (10, 'Bank Accounts', 7, 1);
INSERT INTO accounthead VALUES (11, 'Cash-in-hand', 7, 1);
INSERT INTO accounthead VALUES (12, 'Loans & Advances (Asset)', 7, 1);
INSERT INTO accounthead VALUES (17, 'Capital Account', 0, 0);
INSERT INTO accounthead VALUES (18, 'Reserves & Surplus', 17, 1);
INSERT INTO accounthead VALUES (19, 'Loans (Liability)', 0, 0);
INSERT INTO accounthead VALUES (20, 'Secured Loans', 19, 1);
INSERT INTO accounthead VALUES (21, 'Unsecured Loans', 19, 1);
INSERT INTO accounthead VALUES (23, 'Current Liabilities', 0, 0);
INSERT INTO accounthead VALUES (24, 'Sundry Creditors', 23, 1);
INSERT INTO accounthead VALUES (25, 'Provisions', 23, 1);
INSERT INTO accounthead VALUES (26, 'Duties & Taxes', 23, 1);
INSERT INTO accounthead VALUES (27, 'Suspense A/c', 0, 0);
INSERT INTO accounthead VALUES (30, 'Direct Incomes', 0, 0);
INSERT INTO accounthead VALUES (31, 'Sales Accounts', 0, 0);
INSERT INTO accounthead VALUES (34, 'Indirect Incomes', 0, 0);
INSERT INTO accounthead VALUES (37, 'Direct Expenses', 0, 0);
INSERT INTO accounthead VALUES (38, 'Purchase Accounts', 0, 0);
INSERT INTO accounthead VALUES (40, 'Indirect Expenses', 0, 0);
INSERT INTO accounthead VALUES (56, 'Stock-in-hand', 7, 1);
INSERT INTO accounthead VALUES (59, 'Bank OD A/c', 19, 1);

INSERT INTO productgroup VALUES (1, 'General', '', 0, 0);

INSERT INTO depot VALUES (1, 'Main Location');

INSERT INTO PARAMLIST VALUES ('JP', 3, NULL);
INSERT INTO PARAMLIST VALUES ('PCode', 4, NULL);
