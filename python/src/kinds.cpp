// The genome kinds and their operator choices as Python classes:
// zarnel.Permutation(length), BitString(length), RealVector(lower, upper),
// IntegerVector(lower, upper), and zarnel.PermutationOperators(...) and the
// others, with the enumerators as the words the record uses ("sbx").
#include "kinds.h"

#include <pybind11/stl.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zarnel::python {

namespace {

// C++ member names in a message as Python spells them: mutationRate as
// mutation_rate.
std::string Pythonic(const std::string& message) {
    std::string text;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (i > 0 && c >= 'A' && c <= 'Z' && message[i - 1] >= 'a' && message[i - 1] <= 'z') {
            text += '_';
            text += static_cast<char>(c - 'A' + 'a');
        } else {
            text += c;
        }
    }
    return text;
}

// A kind or choice that its own Validate refuses: a ValueError with its reason.
template <class Value>
Value Checked(Value value, const char* what) {
    if (const std::string reason = value.Validate(); !reason.empty())
        throw py::value_error(std::string(what) + ": " + Pythonic(reason));
    return value;
}

// The words of an operator enumeration, in enumerator order: the part of
// Name() before the "+" (crossovers) or after it (mutations), for every
// enumerator that Validate accepts.
template <class Operators, class Enum>
std::vector<std::string> Words(Enum Operators::*member, bool crossover) {
    std::vector<std::string> words;
    for (int e = 0;; ++e) {
        Operators operators;
        operators.*member = static_cast<Enum>(e);
        if (!operators.Validate().empty()) return words;
        const std::string name = operators.Name();
        const std::size_t plus = name.find('+');
        words.push_back(crossover ? name.substr(0, plus) : name.substr(plus + 1));
    }
}

template <class Operators, class Enum>
Enum Parse(Enum Operators::*member, bool crossover, const std::string& word, const char* what) {
    const std::vector<std::string> words = Words(member, crossover);
    for (std::size_t e = 0; e < words.size(); ++e) {
        if (words[e] == word) return static_cast<Enum>(e);
    }
    std::string known;
    for (const std::string& each : words) known += (known.empty() ? "'" : ", '") + each + "'";
    throw py::value_error(std::string(what) + " '" + word + "' is none of " + known);
}

template <class Operators, class Enum>
std::string Word(const Operators& operators, Enum Operators::*member, bool crossover) {
    return Words(member, crossover).at(static_cast<std::size_t>(operators.*member));
}

// A few numbers of a long list, for a repr.
template <class Number>
std::string Listed(const std::vector<Number>& numbers) {
    std::ostringstream text;
    text << "[";
    for (std::size_t i = 0; i < numbers.size() && i < 4; ++i) text << (i == 0 ? "" : ", ") << numbers[i];
    if (numbers.size() > 4) text << ", ... (" << numbers.size() << ")";
    text << "]";
    return text.str();
}

template <class Kind>
void BindLengthKind(py::module_& m, const char* name, const char* doc) {
    py::class_<Kind>(m, name, doc)
        .def(py::init([name](std::uint32_t length) { return Checked(Kind{length}, name); }),
             py::arg("length"))
        .def_property_readonly("length", &Kind::Length)
        .def_property_readonly_static("kind", [](py::object) { return std::string(Kind::kName); })
        .def("__eq__", [](const Kind& a, const Kind& b) { return a.length == b.length; })
        .def("__repr__", [name](const Kind& kind) {
            return std::string(name) + "(" + std::to_string(kind.length) + ")";
        });
}

template <class Kind, class Number>
void BindBoundedKind(py::module_& m, const char* name, const char* doc) {
    py::class_<Kind>(m, name, doc)
        .def(py::init([name](std::vector<Number> lower, std::vector<Number> upper) {
                 return Checked(Kind{std::move(lower), std::move(upper)}, name);
             }),
             py::arg("lower"), py::arg("upper"))
        .def_property_readonly("length", &Kind::Length)
        .def_property_readonly_static("kind", [](py::object) { return std::string(Kind::kName); })
        .def_readonly("lower", &Kind::lower)
        .def_readonly("upper", &Kind::upper)
        .def("__eq__", [](const Kind& a, const Kind& b) { return a.lower == b.lower && a.upper == b.upper; })
        .def("__repr__", [name](const Kind& kind) {
            return std::string(name) + "(lower=" + Listed(kind.lower) + ", upper=" + Listed(kind.upper) + ")";
        });
}

// A rate or parameter of a choice, read and written as a property.
template <class Operators, class Value>
void Field(py::class_<Operators>& cls, const char* name, Value Operators::*member) {
    cls.def_property(
        name, [member](const Operators& operators) { return operators.*member; },
        [member, name](Operators& operators, Value value) {
            Operators changed = operators;
            changed.*member = value;
            operators = Checked(changed, name);
        });
}

// The crossover (or mutation) of a choice as its word.
template <class Operators, class Enum>
void EnumField(py::class_<Operators>& cls, const char* name, Enum Operators::*member, bool crossover) {
    cls.def_property(
        name, [member, crossover](const Operators& operators) { return Word(operators, member, crossover); },
        [member, crossover, name](Operators& operators, const std::string& word) {
            operators.*member = Parse(member, crossover, word, name);
        });
}

template <class Operators>
py::class_<Operators> BindChoice(py::module_& m, const char* name, const char* doc) {
    py::class_<Operators> cls(m, name, doc);
    cls.def_property_readonly("name", &Operators::Name).def("__repr__", [name](const Operators& operators) {
        return std::string(name) + "('" + operators.Name() + "')";
    });
    return cls;
}

}  // namespace

void BindKinds(py::module_& m) {
    BindLengthKind<Permutation>(m, "Permutation", "A permutation of 0 ... length - 1 (genes: numpy uint32).");
    BindLengthKind<BitString>(m, "BitString", "A string of bits, each 0 or 1 (genes: numpy uint8).");
    BindBoundedKind<RealVector, double>(m, "RealVector",
                                        "Reals, gene i within [lower[i], upper[i]] (genes: numpy float64).");
    BindBoundedKind<IntegerVector, std::int64_t>(
        m, "IntegerVector", "Integers, gene i within [lower[i], upper[i]] inclusive (genes: numpy int64).");
    // The permutation with repetition (each value a given number of times)
    // joins the kinds here, with its operator choice below and a runner of
    // its own (solve_kinds.h), once its kind is part of genome/.

    const PermutationOperators permutation;
    auto permutationChoice = BindChoice<PermutationOperators>(
        m, "PermutationOperators", "The crossover and mutation of a permutation, and their rates.");
    permutationChoice.def(
        py::init([](const std::string& crossover, const std::string& mutation, double crossoverRate,
                    double mutationRate) {
            PermutationOperators operators;
            operators.crossover = Parse(&PermutationOperators::crossover, true, crossover, "crossover");
            operators.mutation = Parse(&PermutationOperators::mutation, false, mutation, "mutation");
            operators.crossoverRate = crossoverRate;
            operators.mutationRate = mutationRate;
            return Checked(operators, "PermutationOperators");
        }),
        py::arg("crossover") = Word(permutation, &PermutationOperators::crossover, true),
        py::arg("mutation") = Word(permutation, &PermutationOperators::mutation, false),
        py::arg("crossover_rate") = permutation.crossoverRate,
        py::arg("mutation_rate") = permutation.mutationRate);
    EnumField(permutationChoice, "crossover", &PermutationOperators::crossover, true);
    EnumField(permutationChoice, "mutation", &PermutationOperators::mutation, false);
    Field(permutationChoice, "crossover_rate", &PermutationOperators::crossoverRate);
    Field(permutationChoice, "mutation_rate", &PermutationOperators::mutationRate);

    const BitStringOperators bits;
    auto bitChoice = BindChoice<BitStringOperators>(m, "BitStringOperators",
                                                    "The crossover of a bit string and the rates.");
    bitChoice.def(py::init([](const std::string& crossover, double crossoverRate, double flipRate) {
                      BitStringOperators operators;
                      operators.crossover =
                          Parse(&BitStringOperators::crossover, true, crossover, "crossover");
                      operators.crossoverRate = crossoverRate;
                      operators.flipRate = flipRate;
                      return Checked(operators, "BitStringOperators");
                  }),
                  py::arg("crossover") = Word(bits, &BitStringOperators::crossover, true),
                  py::arg("crossover_rate") = bits.crossoverRate, py::arg("flip_rate") = bits.flipRate);
    EnumField(bitChoice, "crossover", &BitStringOperators::crossover, true);
    Field(bitChoice, "crossover_rate", &BitStringOperators::crossoverRate);
    Field(bitChoice, "flip_rate", &BitStringOperators::flipRate);

    const RealVectorOperators reals;
    auto realChoice = BindChoice<RealVectorOperators>(
        m, "RealVectorOperators", "The crossover and mutation of a real vector, their parameters and rates.");
    realChoice.def(
        py::init([](const std::string& crossover, const std::string& mutation, double sbxEta, double blxAlpha,
                    double polynomialEta, double gaussianSigma, double crossoverRate, double mutationRate,
                    double differentialWeight, double differentialRate) {
            RealVectorOperators operators;
            operators.crossover = Parse(&RealVectorOperators::crossover, true, crossover, "crossover");
            operators.mutation = Parse(&RealVectorOperators::mutation, false, mutation, "mutation");
            operators.sbxEta = sbxEta;
            operators.blxAlpha = blxAlpha;
            operators.polynomialEta = polynomialEta;
            operators.gaussianSigma = gaussianSigma;
            operators.crossoverRate = crossoverRate;
            operators.mutationRate = mutationRate;
            operators.differentialWeight = differentialWeight;
            operators.differentialRate = differentialRate;
            return Checked(operators, "RealVectorOperators");
        }),
        py::arg("crossover") = Word(reals, &RealVectorOperators::crossover, true),
        py::arg("mutation") = Word(reals, &RealVectorOperators::mutation, false),
        py::arg("sbx_eta") = reals.sbxEta, py::arg("blx_alpha") = reals.blxAlpha,
        py::arg("polynomial_eta") = reals.polynomialEta, py::arg("gaussian_sigma") = reals.gaussianSigma,
        py::arg("crossover_rate") = reals.crossoverRate, py::arg("mutation_rate") = reals.mutationRate,
        py::arg("differential_weight") = reals.differentialWeight,
        py::arg("differential_rate") = reals.differentialRate);
    EnumField(realChoice, "crossover", &RealVectorOperators::crossover, true);
    EnumField(realChoice, "mutation", &RealVectorOperators::mutation, false);
    Field(realChoice, "sbx_eta", &RealVectorOperators::sbxEta);
    Field(realChoice, "blx_alpha", &RealVectorOperators::blxAlpha);
    Field(realChoice, "polynomial_eta", &RealVectorOperators::polynomialEta);
    Field(realChoice, "gaussian_sigma", &RealVectorOperators::gaussianSigma);
    Field(realChoice, "crossover_rate", &RealVectorOperators::crossoverRate);
    Field(realChoice, "mutation_rate", &RealVectorOperators::mutationRate);
    Field(realChoice, "differential_weight", &RealVectorOperators::differentialWeight);
    Field(realChoice, "differential_rate", &RealVectorOperators::differentialRate);

    const IntegerVectorOperators integers;
    auto integerChoice = BindChoice<IntegerVectorOperators>(
        m, "IntegerVectorOperators", "The mutation of an integer vector, its creep step and the rates.");
    integerChoice.def(
        py::init([](const std::string& crossover, const std::string& mutation, std::int64_t creepStep,
                    double crossoverRate, double mutationRate) {
            IntegerVectorOperators operators;
            operators.crossover = Parse(&IntegerVectorOperators::crossover, true, crossover, "crossover");
            operators.mutation = Parse(&IntegerVectorOperators::mutation, false, mutation, "mutation");
            operators.creepStep = creepStep;
            operators.crossoverRate = crossoverRate;
            operators.mutationRate = mutationRate;
            return Checked(operators, "IntegerVectorOperators");
        }),
        py::arg("crossover") = Word(integers, &IntegerVectorOperators::crossover, true),
        py::arg("mutation") = Word(integers, &IntegerVectorOperators::mutation, false),
        py::arg("creep_step") = integers.creepStep, py::arg("crossover_rate") = integers.crossoverRate,
        py::arg("mutation_rate") = integers.mutationRate);
    EnumField(integerChoice, "crossover", &IntegerVectorOperators::crossover, true);
    EnumField(integerChoice, "mutation", &IntegerVectorOperators::mutation, false);
    Field(integerChoice, "creep_step", &IntegerVectorOperators::creepStep);
    Field(integerChoice, "crossover_rate", &IntegerVectorOperators::crossoverRate);
    Field(integerChoice, "mutation_rate", &IntegerVectorOperators::mutationRate);
}

}  // namespace zarnel::python
