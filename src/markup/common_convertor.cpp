#include "markup/common_convertor.h"

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/handler.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

std::string Field(const Recordset& rs, const char* name) { return ToText(rs.Value(name)); }

void Run(const std::string& sql) { TargetConnection().Execute(sql); }

}  // namespace

void CommonConvertor::AddToOrvikAcc(Recordset& rsLedG, Recordset& rsLedL) {
  RunHandled(
      [&] {
        CodeCounters& c = Counters();
        const auto& heads = DefaultHeads();
        rsLedL.MoveFirst();
        rsLedG.MoveFirst();

        // Of the primary groups only "Misc. Expenses (ASSET)" is written; the
        // others are heads every company already has.
        rsLedG.SetFilter("GrpParent=''");
        for (; !rsLedG.Eof(); rsLedG.MoveNext()) {
          std::string name = Field(rsLedG, "GrpName");
          if (Trim(name) == heads[25] && !HeadExists(name)) {
            Run("insert into accounthead values(" + std::to_string(c.next_head_code) + ",'" +
                heads[25] + "',2,1)");
            c.next_head_code = Increment16(c.next_head_code);
            break;
          }
        }

        rsLedG.SetFilter("");
        rsLedG.SetFilter("GrpParent<>''");
        for (; !rsLedG.Eof(); rsLedG.MoveNext()) {
          std::string name = Field(rsLedG, "GrpName");
          std::string parent = Field(rsLedG, "GrpParent");
          if (Trim(name) == heads[7] && !HeadExists(name)) {
            Run("insert into accounthead values(" + std::to_string(c.next_head_code) + ",'" +
                heads[7] + "',2,1)");
            c.next_head_code = Increment16(c.next_head_code);
          } else if (!HeadExists(name)) {  // cleans the name for the statement too
            if (Trim(parent) != heads[0]) {
              const int16_t parent_code = HeadCodeOfParent(parent, "G");
              Run("insert into accounthead values(" + std::to_string(c.next_head_code) + ",'" +
                  name + "'," + std::to_string(parent_code) + ",1)");
            }
            // A group under "Branch / Divisions" is not written but uses up its code.
            c.next_head_code = Increment16(c.next_head_code);
          }
        }

        long ledgers = 0;
        for (; !rsLedL.Eof(); rsLedL.MoveNext()) {
          ReportProgress("ledgers", ++ledgers);
          std::string name = Field(rsLedL, "LedName");
          std::string parent = Field(rsLedL, "LedParent");
          if (Trim(parent).empty() || !HeadExists(parent) || LedgerExists(name)) continue;
          const int16_t head_code = HeadCodeOfParent(parent, "");
          Run("INSERT INTO ACCOUNTLEDGER(LEDCODE,LEDNAME,HEADCODE) VALUES('" +
              std::to_string(c.next_ledger_code) + "','" + Trim(name) + "'," +
              std::to_string(head_code) + ")");
          c.next_ledger_code = Increment16(c.next_ledger_code);
        }
      },
      msgstyle::kInformation, "", &error_flag_);
}

void CommonConvertor::AddToOrvikPro(Recordset& rsProG, Recordset& rsProI) {
  RunHandled(
      [&] {
        CodeCounters& c = Counters();
        rsProI.MoveFirst();
        rsProG.MoveFirst();

        rsProG.SetFilter("GrpParent=''");
        for (; !rsProG.Eof(); rsProG.MoveNext()) {
          std::string name = Field(rsProG, "GrpName");
          if (GroupExists(name)) continue;
          Run("insert into productgroup values(" + std::to_string(c.next_group_code) + ",'" +
              Trim(name) + "','',1,0)");
          c.next_group_code = Increment16(c.next_group_code);
        }

        rsProG.SetFilter("");
        rsProG.SetFilter("GrpParent<>''");
        for (; !rsProG.Eof(); rsProG.MoveNext()) {
          std::string name = Field(rsProG, "GrpName");
          std::string parent = Field(rsProG, "GrpParent");
          if (GroupExists(name)) continue;
          const Variant parent_code = GroupCodeOfParent(parent, "G");
          Run("insert into productgroup values(" + std::to_string(c.next_group_code) + ",\"" +
              Trim(name) + "\",''," + JoinText(parent_code) + ",0)");
          c.next_group_code = Increment16(c.next_group_code);
        }

        long items = 0;
        for (; !rsProI.Eof(); rsProI.MoveNext()) {
          ReportProgress("stock items", ++items);
          std::string name = Field(rsProI, "ItemName");
          std::string parent = Field(rsProI, "ItemParent");
          if (Trim(name).empty() || !GroupExists(parent) || ProductExists(name, 0)) continue;
          const Variant group_code = GroupCodeOfParent(parent, "");
          const double code = LeadingNumber(c.next_product_code);
          Run("INSERT INTO PRODUCT(PCODE,PNAME,GPCODE) VALUES(\"" + NumberText(code) + "\",\"" +
              Trim(name) + "\"," + JoinText(group_code) + ")");
          c.next_product_code = NumberText(code + 1);
        }
      },
      msgstyle::kInformation, "", &error_flag_);
}

void CommonConvertor::AddToOrvikDepo(Recordset& rsDepo) {
  RunHandled(
      [&] {
        CodeCounters& c = Counters();
        rsDepo.MoveFirst();
        for (; !rsDepo.Eof(); rsDepo.MoveNext()) {
          std::string name = Field(rsDepo, "DName");
          if (DepotExists(name)) continue;
          Run("insert into depot(dcode,dname) values(" + std::to_string(c.next_depot_code) + ",\"" +
              Trim(name) + "\")");
          c.next_depot_code = Increment16(c.next_depot_code);
        }
      },
      msgstyle::kInformation, "", &error_flag_);
}

}  // namespace vantrel
