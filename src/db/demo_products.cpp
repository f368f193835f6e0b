#include "db/demo_products.h"

namespace cmp::db {

namespace {

struct Pack
{
    const char* name;
    const char* unit;
    double factor; // base units in one pack
};

// The first pack of each kind is the base unit: the stock product.
using Packs = std::vector<Pack>;
const Packs grains{{"kg", "KG", 1},
                   {"Pacote 1 kg", "PCT", 1},
                   {"Pacote 5 kg", "PCT", 5},
                   {"Fardo 10x1 kg", "FD", 10},
                   {"Saco 25 kg", "SC", 25}};
const Packs meats{
    {"kg", "KG", 1}, {"Bandeja 1 kg", "BDJ", 1}, {"Caixa 10 kg", "CX", 10}, {"Peça 5 kg", "PC", 5}};
const Packs produce{{"kg", "KG", 1},
                    {"Caixa 10 kg", "CX", 10},
                    {"Caixa 20 kg", "CX", 20},
                    {"Bandeja 500 g", "BDJ", 0.5}};
const Packs liquids{{"Litro", "L", 1},
                    {"Garrafa 500 ml", "GF", 0.5},
                    {"Garrafa 900 ml", "GF", 0.9},
                    {"Galão 5 l", "GL", 5},
                    {"Caixa 12x1 l", "CX", 12}};
const Packs units{{"Unidade", "UN", 1},
                  {"Pacote 6 un", "PCT", 6},
                  {"Caixa 12 un", "CX", 12},
                  {"Caixa 100 un", "CX", 100}};

struct Subgroup
{
    const char* name;
    const Packs& packs;
    std::vector<const char*> families;
};

struct Group
{
    const char* name;
    std::vector<Subgroup> subgroups;
};

const std::vector<Group> catalog{
    {"Cereais, Grãos e Farináceos",
     {{"Arroz",
       grains,
       {"Arroz Agulhinha Tipo 1", "Arroz Agulhinha Tipo 2", "Arroz Parboilizado Tipo 1",
        "Arroz Integral", "Arroz Arbóreo", "Arroz Branco Polido"}},
      {"Feijão e Leguminosas",
       grains,
       {"Feijão Carioca Tipo 1", "Feijão Preto Tipo 1", "Feijão Fradinho", "Feijão Branco",
        "Feijão Rajado", "Lentilha", "Grão-de-Bico", "Ervilha Seca"}},
      {"Farinhas",
       grains,
       {"Farinha de Trigo Tipo 1", "Farinha de Mandioca Torrada", "Farinha de Milho Flocada",
        "Fubá Mimoso", "Amido de Milho", "Farinha de Rosca", "Polvilho Doce", "Polvilho Azedo",
        "Aveia em Flocos"}},
      {"Massas",
       grains,
       {"Macarrão Espaguete", "Macarrão Parafuso", "Macarrão Penne", "Macarrão Ave-Maria",
        "Macarrão Conchinha", "Lasanha Seca", "Macarrão de Arroz"}}}},
    {"Carnes, Aves e Pescados",
     {{"Carne Bovina",
       meats,
       {"Acém em Cubos", "Patinho Moído", "Coxão Mole", "Coxão Duro", "Músculo Bovino", "Alcatra",
        "Fraldinha", "Carne Seca", "Paleta Bovina"}},
      {"Aves",
       meats,
       {"Peito de Frango sem Osso", "Coxa e Sobrecoxa de Frango", "Filé de Frango",
        "Frango Inteiro", "Sobrecoxa Desossada", "Peito de Peru"}},
      {"Suínos",
       meats,
       {"Lombo Suíno", "Pernil Suíno", "Costela Suína", "Linguiça Toscana", "Bisteca Suína",
        "Bacon em Manta"}},
      {"Pescados",
       meats,
       {"Filé de Merluza", "Filé de Tilápia", "Posta de Cação", "Sardinha Congelada",
        "Filé de Pescada"}}}},
    {"Hortifrutigranjeiros",
     {{"Legumes",
       produce,
       {"Batata Inglesa", "Cenoura", "Abóbora Cabotiá", "Chuchu", "Beterraba", "Abobrinha Italiana",
        "Mandioca Descascada", "Batata-Doce", "Berinjela", "Vagem"}},
      {"Verduras",
       produce,
       {"Alface Crespa", "Repolho Verde", "Couve Manteiga", "Brócolis Ninja", "Acelga", "Espinafre",
        "Rúcula", "Couve-Flor"}},
      {"Frutas",
       produce,
       {"Banana Prata", "Laranja Pera", "Maçã Fuji", "Mamão Formosa", "Melancia", "Abacaxi Pérola",
        "Tangerina Ponkan", "Goiaba Vermelha", "Manga Tommy"}},
      {"Temperos Frescos",
       produce,
       {"Cebola", "Alho Descascado", "Tomate Italiano", "Pimentão Verde", "Cheiro-Verde",
        "Gengibre"}},
      {"Ovos", units, {"Ovo Branco", "Ovo Vermelho", "Ovo de Codorna"}}}},
    {"Laticínios e Frios",
     {{"Leites",
       liquids,
       {"Leite Integral UHT", "Leite Desnatado UHT", "Leite Semidesnatado UHT",
        "Bebida Láctea Chocolate", "Leite Fermentado"}},
      {"Queijos",
       meats,
       {"Queijo Muçarela", "Queijo Prato", "Queijo Minas Frescal", "Queijo Parmesão Ralado",
        "Requeijão Cremoso"}},
      {"Iogurtes e Cremes",
       units,
       {"Iogurte Natural", "Iogurte de Morango", "Iogurte de Coco", "Creme de Leite",
        "Leite Condensado"}},
      {"Frios",
       meats,
       {"Presunto Cozido", "Mortadela", "Peito de Peru Defumado", "Salame Italiano"}}}},
    {"Mercearia",
     {{"Óleos e Vinagres",
       liquids,
       {"Óleo de Soja", "Azeite de Oliva Extravirgem", "Óleo de Girassol", "Óleo de Milho",
        "Óleo de Canola", "Vinagre de Álcool", "Vinagre de Maçã"}},
      {"Açúcares e Doces",
       grains,
       {"Açúcar Cristal", "Açúcar Refinado", "Açúcar Mascavo", "Achocolatado em Pó",
        "Goiabada Cascão", "Doce de Leite", "Mel"}},
      {"Conservas",
       units,
       {"Extrato de Tomate", "Molho de Tomate", "Milho Verde em Conserva", "Ervilha em Conserva",
        "Atum em Óleo", "Sardinha em Lata", "Palmito Pupunha", "Azeitona Verde"}},
      {"Temperos Secos",
       grains,
       {"Sal Refinado", "Orégano", "Colorau", "Cominho Moído", "Pimenta-do-Reino Moída",
        "Louro em Folhas", "Caldo de Galinha", "Caldo de Carne"}},
      {"Padaria",
       units,
       {"Pão Francês", "Pão de Forma", "Pão de Hambúrguer", "Bisnaguinha", "Biscoito Cream Cracker",
        "Biscoito Maisena", "Bolo de Fubá", "Torrada"}}}},
    {"Bebidas",
     {{"Sucos e Polpas",
       liquids,
       {"Suco de Laranja Integral", "Suco de Uva Integral", "Polpa de Acerola", "Polpa de Maracujá",
        "Polpa de Caju", "Néctar de Pêssego"}},
      {"Águas e Refrigerantes",
       liquids,
       {"Água Mineral sem Gás", "Água Mineral com Gás", "Refrigerante de Cola",
        "Refrigerante de Guaraná", "Chá Mate"}},
      {"Cafés e Chás",
       grains,
       {"Café Torrado e Moído", "Chá de Camomila", "Chá Preto", "Chá de Erva-Doce",
        "Café Solúvel"}}}},
    {"Limpeza e Higiene",
     {{"Limpeza",
       liquids,
       {"Detergente Neutro", "Desinfetante Lavanda", "Água Sanitária", "Limpador Multiuso",
        "Álcool 70%", "Sabão Líquido"}},
      {"Higiene",
       units,
       {"Sabonete Líquido", "Papel Higiênico Folha Dupla", "Papel Toalha Interfolhado",
        "Álcool em Gel", "Touca Descartável", "Luva de Látex"}}}},
    {"Descartáveis e Embalagens",
     {{"Descartáveis",
       units,
       {"Copo Descartável 200 ml", "Prato Descartável", "Garfo Descartável", "Marmitex Alumínio",
        "Guardanapo de Papel", "Saco Plástico para Alimentos", "Filme de PVC", "Papel Alumínio"}}}},
};

QString code(int number, int width)
{
    return QString::number(number).rightJustified(width, u'0');
}

class TreeBuilder
{
public:
    std::vector<DemoProduct> build()
    {
        int groupNumber = 0;
        for (const Group& group : catalog) {
            const QString groupCode = code(++groupNumber, 2);
            addNode(groupCode, QString::fromUtf8(group.name), 1, groupCode, {});
            addSubgroups(group, groupCode);
        }
        return std::move(tree_);
    }

private:
    void addSubgroups(const Group& group, const QString& groupCode)
    {
        int subgroupNumber = 0;
        for (const Subgroup& subgroup : group.subgroups) {
            const QString subgroupCode = groupCode + code(++subgroupNumber, 2);
            addNode(subgroupCode, QString::fromUtf8(subgroup.name), 2, groupCode, subgroupCode);
            int familyNumber = 0;
            for (const char* family : subgroup.families)
                addFamily(subgroupCode + code(++familyNumber, 3), QString::fromUtf8(family),
                          subgroup.packs);
        }
    }

    void addFamily(const QString& familyCode, const QString& name, const Packs& packs)
    {
        const QString groupCode = familyCode.left(2);
        const QString subgroupCode = familyCode.left(4);
        addNode(familyCode, name, 3, groupCode, subgroupCode);
        QString stockProduct;
        int packNumber = 0;
        for (const Pack& pack : packs) {
            DemoProduct& product =
                addNode(familyCode + code(++packNumber, 3),
                        name + u' ' + QString::fromUtf8(pack.name), 4, groupCode, subgroupCode);
            if (stockProduct.isEmpty())
                stockProduct = product.cdProduto;
            product.sgUnidade = QString::fromLatin1(pack.unit);
            product.cdProdEsto = stockProduct;
            product.vrFatoConv = pack.factor;
            // A few products are commissioned or inactive, spread over the tree.
            product.commissioned = leaves_ % 97 == 50;
            product.active = leaves_ % 53 != 20;
            ++leaves_;
        }
    }

    DemoProduct& addNode(const QString& treeCode, const QString& name, int level,
                         const QString& groupCode, const QString& subgroupCode)
    {
        DemoProduct node;
        node.cdProduto = code(static_cast<int>(tree_.size()) + 1, 10);
        node.cdArvProd = treeCode;
        node.nmProduto = name;
        node.level = level;
        node.cdGrupProd = groupCode;
        node.cdSubGrProd = subgroupCode;
        tree_.push_back(node);
        return tree_.back();
    }

    std::vector<DemoProduct> tree_;
    int leaves_ = 0;
};

} // namespace

const std::vector<DemoProduct>& demoProductTree()
{
    static const std::vector<DemoProduct> tree = TreeBuilder().build();
    return tree;
}

} // namespace cmp::db
