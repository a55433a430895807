-- Company template for the multi-user (MariaDB / MySQL) target.
-- Name columns compare without regard to case; every name column and every code
-- column a lookup reads is indexed. Each statement ends with ';' at the end of
-- its line, which is where the loader splits the file.

CREATE TABLE accounthead (
  headcode SMALLINT NOT NULL PRIMARY KEY,
  headname VARCHAR(50) COLLATE utf8mb4_uca1400_nopad_as_ci,
  underhead SMALLINT,
  headlevel SMALLINT,
  KEY ix_accounthead_headname (headname),
  KEY ix_accounthead_underhead (underhead)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE accountledger (
  ledcode VARCHAR(10) NOT NULL PRIMARY KEY,
  ledname VARCHAR(50) COLLATE utf8mb4_uca1400_nopad_as_ci,
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
  flag SMALLINT,
  KEY ix_accountledger_ledname (ledname),
  KEY ix_accountledger_headcode (headcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE generalledger (
  vdate DATE,
  vtype VARCHAR(4),
  vno INT,
  slno SMALLINT,
  ledcode VARCHAR(10),
  particulars VARCHAR(100),
  dbamt DOUBLE,
  cramt DOUBLE,
  KEY ix_generalledger_ledcode (ledcode),
  KEY ix_generalledger_voucher (vtype, vno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE productgroup (
  gpcode SMALLINT NOT NULL PRIMARY KEY,
  gpname VARCHAR(50) COLLATE utf8mb4_uca1400_nopad_as_ci,
  gpdesc VARCHAR(50),
  gpunder SMALLINT,
  gplevel SMALLINT,
  KEY ix_productgroup_gpname (gpname),
  KEY ix_productgroup_gpunder (gpunder)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE product (
  pcode VARCHAR(30) NOT NULL PRIMARY KEY,
  pname VARCHAR(50) COLLATE utf8mb4_uca1400_nopad_as_ci,
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
  userfield4 VARCHAR(50),
  KEY ix_product_pname (pname),
  KEY ix_product_gpcode (gpcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE productunits (
  pcode VARCHAR(30),
  unitid SMALLINT,
  unit VARCHAR(15) COLLATE utf8mb4_uca1400_nopad_as_ci,
  cf DOUBLE,
  KEY ix_productunits_pcode (pcode, unitid),
  KEY ix_productunits_unit (unit)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE productslab (
  PCode VARCHAR(30),
  Purchase SMALLINT,
  KEY ix_productslab_pcode (PCode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE depot (
  dcode SMALLINT NOT NULL PRIMARY KEY,
  dname VARCHAR(50) COLLATE utf8mb4_uca1400_nopad_as_ci,
  KEY ix_depot_dname (dname)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE productbatch (
  batchid SMALLINT NOT NULL PRIMARY KEY,
  pcode VARCHAR(30),
  batchname VARCHAR(30) COLLATE utf8mb4_uca1400_nopad_as_ci,
  description VARCHAR(50),
  manfdate DATE,
  expdate DATE,
  KEY ix_productbatch_pcode (pcode),
  KEY ix_productbatch_batchname (batchname)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE inventory (
  dcode SMALLINT,
  invdate DATE,
  pcode VARCHAR(30),
  batchid SMALLINT,
  os DOUBLE,
  KEY ix_inventory_pcode (pcode, batchid),
  KEY ix_inventory_dcode (dcode),
  KEY ix_inventory_batchid (batchid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE transactionreceipts (
  rcptcode INT,
  vno VARCHAR(10),
  rcpttype VARCHAR(4),
  dcode SMALLINT,
  rcptdate DATE,
  amt DOUBLE,
  chkdep SMALLINT,
  KEY ix_transactionreceipts_rcptcode (rcptcode),
  KEY ix_transactionreceipts_type (rcpttype, vno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE receiptdetails (
  rcptcode INT,
  slno SMALLINT,
  PCode VARCHAR(30),
  unitid SMALLINT,
  cf DOUBLE,
  batchid SMALLINT,
  qty DOUBLE,
  Rate DOUBLE,
  KEY ix_receiptdetails_rcptcode (rcptcode),
  KEY ix_receiptdetails_pcode (PCode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

CREATE TABLE paramlist (
  paramname VARCHAR(20) COLLATE utf8mb4_uca1400_nopad_as_ci,
  paramtype SMALLINT,
  paramvalue VARCHAR(50),
  KEY ix_paramlist_param (paramname, paramtype)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_uca1400_nopad_as_ci;

INSERT INTO accounthead (headcode, headname, underhead, headlevel) VALUES
  (1, 'Cash', 11, 1),
  (2, 'Assets', 0, 0),
  (3, 'Fixed Assets', 2, 0),
  (6, 'Investments', 2, 0),
  (7, 'Current Assets', 2, 0),
  (9, 'Sundry Debtors', 7, 1),
  (10, 'Bank Accounts', 7, 1),
  (11, 'Cash-in-hand', 7, 1),
  (12, 'Loans & Advances (Asset)', 7, 1),
  (17, 'Capital Account', 0, 0),
  (18, 'Reserves & Surplus', 17, 1),
  (19, 'Loans (Liability)', 0, 0),
  (20, 'Secured Loans', 19, 1),
  (21, 'Unsecured Loans', 19, 1),
  (23, 'Current Liabilities', 0, 0),
  (24, 'Sundry Creditors', 23, 1),
  (25, 'Provisions', 23, 1),
  (26, 'Duties & Taxes', 23, 1),
  (27, 'Suspense A/c', 0, 0),
  (30, 'Direct Incomes', 0, 0),
  (31, 'Sales Accounts', 0, 0),
  (34, 'Indirect Incomes', 0, 0),
  (37, 'Direct Expenses', 0, 0),
  (38, 'Purchase Accounts', 0, 0),
  (40, 'Indirect Expenses', 0, 0),
  (56, 'Stock-in-hand', 7, 1),
  (59, 'Bank OD A/c', 19, 1);

INSERT INTO productgroup (gpcode, gpname, gpdesc, gpunder, gplevel) VALUES (1, 'General', '', 0, 0);

INSERT INTO depot (dcode, dname) VALUES (1, 'Main Location');

INSERT INTO paramlist (paramname, paramtype, paramvalue) VALUES ('JP', 3, NULL), ('PCode', 4, NULL);
