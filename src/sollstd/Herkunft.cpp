#include "sollstd/Herkunft.h"

#include "common/Text.h"
#include "db/Catalogue.h"
#include "db/Connection.h"
#include "db/Convert.h"
#include "db/DbErrors.h"
#include "db/Statement.h"
#include "solltat/DmSolltat.h"
#include "solltat/SollStammdaten.h"
#include "solltat/Solltat.h"
#include "solltat/SolltatSummen.h"

#include <algorithm>

namespace sollist::sollstd {

using db::TFieldType;

namespace {

const std::string kNone;

template <class Map, class Key>
const std::string& Lookup(const Map& map, const Key& key) {
    const auto it = map.find(key);
    return it == map.end() ? kNone : it->second;
}

// AOFNUMM holds 10 characters of valid UTF-8.
bool FitsOrderColumn(const std::string& OfNumm) {
    constexpr std::size_t kOfNummCharacters = 10;
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < OfNumm.size(); ++characters)
        if (text::NextCodePoint(OfNumm, pos) == text::kInvalidCodePoint)
            return false;
    return characters <= kOfNummCharacters;
}

} // namespace

const std::string& THerkunft::PositionText(const std::string& SollPos) const {
    return Lookup(Positionen, SollPos);
}

const std::string& THerkunft::BaugruppeName(const std::string& SollPos, std::int32_t BgLf) const {
    return Lookup(Baugruppen, std::make_pair(SollPos, BgLf));
}

const THerkunftTeiletyp* THerkunft::Teiletyp(const std::string& SollPos, std::int32_t BgLf,
                                             std::int32_t Lfd) const {
    const auto it = Teiletypen.find({SollPos, BgLf, Lfd});
    return it == Teiletypen.end() ? nullptr : &it->second;
}

const std::string& THerkunft::MaterialName(const std::string& MaNumm) const {
    return Lookup(Materialien, MaNumm);
}

// What the calculation reports while it builds one order's records: per record its sources
// and where it stands, the part types met, and the problems found.
class THerkunftRechnung::TSammler : public solltat::TSollBeobachter {
public:
    // Where a record is shown: its position in the order the calculation met the positions,
    // its part-type element, its creation.
    using Rang = std::tuple<std::size_t, std::int32_t, std::size_t>;

    std::map<std::tuple<std::string, std::int32_t, std::int32_t>, THerkunftTeiletyp> Teiletypen;
    std::vector<std::string> Hinweise;

    void Clear() {
        FSaetze.clear();
        FPositionen.clear();
        Teiletypen.clear();
        Hinweise.clear();
    }

    void Beitrag(const solltat::TMSTRecord& record, const solltat::TSollHerkunft& origin,
                 const std::string& TatMaterial, double EhMenge, double Stueck) override {
        const auto [at, created] =
            FSaetze.try_emplace(Key{record.SollPos, record.Element, record.Taetigkeit});
        if (created) {
            FPositionen.try_emplace(record.SollPos, FPositionen.size());
            at->second.Stelle = {FPositionen.at(record.SollPos), record.Element, FSaetze.size()};
        }
        std::vector<THerkunftBeitrag>& list = at->second.Beitraege;
        const std::string& tatMaterial = TatMaterial == origin.Quelle.Material ? kNone : TatMaterial;
        const auto same = std::find_if(list.begin(), list.end(), [&](const THerkunftBeitrag& b) {
            return b.Quelle == origin.Quelle && b.TatMaterial == tatMaterial;
        });
        if (same == list.end()) {
            list.push_back({origin.Quelle, tatMaterial, EhMenge, Stueck});
        } else {
            same->EhMenge += EhMenge;
            same->Stueck += Stueck;
        }
        if (origin.bPosTyp)
            Teiletypen.try_emplace({origin.SollPos, origin.Quelle.BgLf, origin.Element},
                                   THerkunftTeiletyp{origin.ApTyName, origin.ApTyText});
    }

    void Datenproblem(const std::string& text) override { Hinweise.push_back(text); }

    // Gives the record its sources (once) and returns where it stands.
    Rang Uebergib(THerkunftSatz& satz) {
        const auto it = FSaetze.find({satz.SollPos, satz.Element, satz.Taetigkeit});
        if (it == FSaetze.end())
            return {FPositionen.size(), satz.Element, FSaetze.size()};
        satz.Beitraege = std::move(it->second.Beitraege);
        return it->second.Stelle;
    }

private:
    using Key = std::tuple<std::string, std::int32_t, std::string>; // SollPos, Element, Taetigkeit
    struct TSatzQuellen {
        Rang Stelle{};
        std::vector<THerkunftBeitrag> Beitraege;
    };
    std::map<Key, TSatzQuellen> FSaetze;
    std::map<std::string, std::size_t> FPositionen; // -> the order in which they were met
};

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
THerkunftRechnung::THerkunftRechnung(const TRunContext& context)
    : FConnection(context.Connection), FSammler(std::make_unique<TSammler>()),
      FContext{context.WithSinks([this](const std::string& line) { FSammler->Hinweise.push_back(line); })},
      FStammdaten(std::make_unique<solltat::TSollStammdaten>()),
      FSolltat(std::make_unique<solltat::TSolltat>(FContext, *FStammdaten)), FSollStunden(context.Connection) {
    FSolltat->Beobachter = FSammler.get();
    RefuseReadOnlyDatabase();

    // The texts beside the keys are the business system's own columns, which it does not promise:
    // each is read only where the catalogue has it, else the keys stand alone.
    db::TCatalogue& catalogue = FConnection.Catalogue();
    FBezeichnung = catalogue.HasColumn("AUFTRAG", "ABEZEICH");
    FPositionsTexte = catalogue.HasColumn("POSITIONEN", "APBEZEICH");
    FBaugruppenNamen = catalogue.HasColumn("POS_BGR", "APBGNAME");
    FMaterialNamenDa = catalogue.HasColumn("MATERIAL", "MANAME");

    if (FBezeichnung)
        db::Declare(qryAuftrag,
                    {"Select AOFNUMM,ABEZEICH from AUFTRAG where AOFNUMM=:OFNUMM"},
                    {{"AOFNUMM", TFieldType::ftString, 10}, {"ABEZEICH", TFieldType::ftString, 60}});
    else
        db::Declare(qryAuftrag,
                    {"Select AOFNUMM from AUFTRAG where AOFNUMM=:OFNUMM"},
                    {{"AOFNUMM", TFieldType::ftString, 10}});
    // Opened only where their text columns are there.
    db::Declare(qrySolltat,
                {"Select SollPos,Element,Taetigkeit,TaName,TaEinhKz,EhMenge,Stueck,TaVarEh,TaVarSt,TaFixZt,",
                 "       TaRmTat,TaRmName,TaKoNumm,(" + std::string(solltat::kSatzMinuten) + ")/60 as SollStunden",
                 "from SOLLTAT"},
                {{"SollPos", TFieldType::ftString, 10}, {"Element", TFieldType::ftInteger},
                 {"Taetigkeit", TFieldType::ftString, 10}, {"TaName", TFieldType::ftString, 20},
                 {"TaEinhKz", TFieldType::ftString, 3}, {"EhMenge", TFieldType::ftFloat},
                 {"Stueck", TFieldType::ftFloat}, {"TaVarEh", TFieldType::ftFloat},
                 {"TaVarSt", TFieldType::ftFloat}, {"TaFixZt", TFieldType::ftFloat},
                 {"TaRmTat", TFieldType::ftString, 10}, {"TaRmName", TFieldType::ftString, 20},
                 {"TaKoNumm", TFieldType::ftString, 3}, {"SollStunden", TFieldType::ftFloat}});
    db::Declare(qryPositionen,
                {"Select APNUMM,APBEZEICH from POSITIONEN where APOFNUMM=:OFNUMM"},
                {{"APNUMM", TFieldType::ftString, 10}, {"APBEZEICH", TFieldType::ftString, 60}});
    db::Declare(qryBaugruppen,
                {"Select APBGAPNUMM,APBGLFNR,APBGNAME from POS_BGR where APBGOFNUMM=:OFNUMM"},
                {{"APBGAPNUMM", TFieldType::ftString, 10}, {"APBGLFNR", TFieldType::ftInteger},
                 {"APBGNAME", TFieldType::ftString, 30}});
    db::Declare(qryMaterialNamen,
                {"Select MANUMM,MANAME from MATERIAL"},
                {{"MANUMM", TFieldType::ftString, 13}, {"MANAME", TFieldType::ftString, 40}});
}
// clang-format on

THerkunftRechnung::~THerkunftRechnung() = default;

// The calculation keeps its records in SOLLTAT, whose rows are the connection's own, and creates
// the table as the run does where no run has yet; a read-only database allows neither.
void THerkunftRechnung::RefuseReadOnlyDatabase() {
    bool readOnly = false;
    FConnection.Prepare("SELECT MON$READ_ONLY FROM MON$DATABASE")
        .Query({}, [&](std::vector<db::TValue>& row) { readOnly = db::ValueToInteger(row.at(0)) != 0; });
    if (readOnly)
        throw db::EDatabaseError(
            "Die Datenbank ist schreibgeschützt: die Herkunft der Sollstunden rechnet wie der Lauf mit "
            "der Tabelle SOLLTAT (Zeilen nur dieser Verbindung) und kann hier nicht berechnet werden.");
}

THerkunft THerkunftRechnung::Erklaere(const std::string& OfNumm) {
    if (FContext.StopRequested())
        throw ERunStopped("Erklärung vor Offert " + OfNumm + " angehalten");
    THerkunft herkunft;
    herkunft.OfNumm = OfNumm;
    herkunft.VertZuschl = FSollStunden.VertZuschl;
    // A number the order column cannot hold is no order, as the run finds it; asked for, the
    // server would refuse it.
    if (!FitsOrderColumn(OfNumm))
        return herkunft;
    qryAuftrag.Close();
    qryAuftrag.ParamByName("OFNUMM").AsString(OfNumm);
    qryAuftrag.Open();
    herkunft.Bekannt = !qryAuftrag.IsEmpty();
    if (herkunft.Bekannt)
        herkunft.Bezeichnung = FBezeichnung ? qryAuftrag.FieldByName("ABEZEICH").AsString() : "";
    qryAuftrag.Close();
    if (!herkunft.Bekannt)
        return herkunft;

    FSammler->Clear();
    FSolltat->Calculate({OfNumm}, false);
    ReadSaetze(herkunft);
    ReadNames(herkunft);
    herkunft.Teiletypen = std::move(FSammler->Teiletypen);
    herkunft.Hinweise = std::move(FSammler->Hinweise);
    FSammler->Clear();
    return herkunft;
}

// The groups come from the run's own sums; each SOLLTAT row joins its group with the sources
// the calculation reported for it.
void THerkunftRechnung::ReadSaetze(THerkunft& herkunft) {
    const std::vector<TSollGruppe> sums = FSollStunden.Read();
    herkunft.Stunden = TSollStunden::Summe(sums);
    herkunft.MitZuschlag = FSollStunden.MitZuschlag(herkunft.Stunden);
    std::map<std::pair<std::string, std::string>, std::size_t> groupOf;
    for (const TSollGruppe& sum : sums) {
        groupOf.emplace(std::make_pair(sum.RmTat, sum.KoNumm), herkunft.Gruppen.size());
        herkunft.Gruppen.push_back(
            {sum.RmTat, "", sum.KoNumm, sum.Stunden, FSollStunden.MitZuschlag(sum.Stunden), {}});
    }

    std::vector<std::vector<std::pair<TSammler::Rang, THerkunftSatz>>> ranked(herkunft.Gruppen.size());
    struct TGruppenSchluessel {
        std::string RmTat, RmName, KoNumm;
    };
    auto& q = qrySolltat;
    q.Open();
    const auto readSatz = db::RowReader<THerkunftSatz>(q, {{"SollPos", &THerkunftSatz::SollPos},
                                                           {"Element", &THerkunftSatz::Element},
                                                           {"Taetigkeit", &THerkunftSatz::Taetigkeit},
                                                           {"TaName", &THerkunftSatz::TaName},
                                                           {"TaEinhKz", &THerkunftSatz::TaEinhKz},
                                                           {"EhMenge", &THerkunftSatz::EhMenge},
                                                           {"Stueck", &THerkunftSatz::Stueck},
                                                           {"TaVarEh", &THerkunftSatz::TaVarEh},
                                                           {"TaVarSt", &THerkunftSatz::TaVarSt},
                                                           {"TaFixZt", &THerkunftSatz::TaFixZt},
                                                           {"SollStunden", &THerkunftSatz::Stunden}});
    const auto readGruppe = db::RowReader<TGruppenSchluessel>(q, {{"TaRmTat", &TGruppenSchluessel::RmTat},
                                                                  {"TaRmName", &TGruppenSchluessel::RmName},
                                                                  {"TaKoNumm", &TGruppenSchluessel::KoNumm}});
    for (; !q.Eof(); q.Next()) {
        THerkunftSatz satz = readSatz();
        const TGruppenSchluessel schluessel = readGruppe();
        const TSammler::Rang rang = FSammler->Uebergib(satz);
        const std::size_t group = groupOf.at({schluessel.RmTat, schluessel.KoNumm});
        herkunft.Gruppen[group].RmName = schluessel.RmName;
        ranked[group].emplace_back(rang, std::move(satz));
    }
    q.Close();

    for (std::size_t g = 0; g < ranked.size(); ++g) {
        std::sort(ranked[g].begin(), ranked[g].end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [rang, satz] : ranked[g]) herkunft.Gruppen[g].Saetze.push_back(std::move(satz));
    }
    std::sort(herkunft.Gruppen.begin(), herkunft.Gruppen.end(), [](const auto& a, const auto& b) {
        return std::tie(a.RmTat, a.KoNumm) < std::tie(b.RmTat, b.KoNumm);
    });
}

void THerkunftRechnung::ReadNames(THerkunft& herkunft) {
    struct TText {
        std::string Key, Text;
    };
    struct TBaugruppe {
        std::string SollPos;
        std::int32_t BgLf = 0;
        std::string Name;
    };
    if (FPositionsTexte) {
        qryPositionen.Close();
        qryPositionen.ParamByName("OFNUMM").AsString(herkunft.OfNumm);
        qryPositionen.Open();
        for (TText& row :
             db::ReadRows<TText>(qryPositionen, {{"APNUMM", &TText::Key}, {"APBEZEICH", &TText::Text}}))
            herkunft.Positionen.emplace(std::move(row.Key), std::move(row.Text));
        qryPositionen.Close();
    }
    if (FBaugruppenNamen) {
        qryBaugruppen.Close();
        qryBaugruppen.ParamByName("OFNUMM").AsString(herkunft.OfNumm);
        qryBaugruppen.Open();
        for (TBaugruppe& row : db::ReadRows<TBaugruppe>(qryBaugruppen, {{"APBGAPNUMM", &TBaugruppe::SollPos},
                                                                        {"APBGLFNR", &TBaugruppe::BgLf},
                                                                        {"APBGNAME", &TBaugruppe::Name}}))
            herkunft.Baugruppen.emplace(std::make_pair(std::move(row.SollPos), row.BgLf),
                                        std::move(row.Name));
        qryBaugruppen.Close();
    }

    if (FMaterialNamenDa && !FMaterialNamenGelesen) {
        qryMaterialNamen.Open();
        for (TText& row :
             db::ReadRows<TText>(qryMaterialNamen, {{"MANUMM", &TText::Key}, {"MANAME", &TText::Text}}))
            FMaterialNamen.emplace(std::move(row.Key), std::move(row.Text));
        qryMaterialNamen.Close();
        FMaterialNamenGelesen = true;
    }
    for (const THerkunftGruppe& gruppe : herkunft.Gruppen)
        for (const THerkunftSatz& satz : gruppe.Saetze)
            for (const THerkunftBeitrag& beitrag : satz.Beitraege)
                for (const std::string* material : {&beitrag.Quelle.Material, &beitrag.TatMaterial})
                    if (!material->empty())
                        herkunft.Materialien.emplace(*material, Lookup(FMaterialNamen, *material));
}

} // namespace sollist::sollstd
