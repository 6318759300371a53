#!/usr/bin/env python3
"""Writes the shipped data under data/ from the UTF-8 tables of this folder.

    python3 tools/clan_data/make_data.py [output-dir]     (default: data/ of the repository)
    python3 tools/clan_data/make_data.py --check          (exit 1 when data/ differs from the
                                                           tables: a stale or hand-edited file)

Every file is written as GBK bytes; file names stay UTF-8 on disk. home.txt comes out in the
order the program's save produces (breadth-first from the root, each man followed by his first
and then his second wife, children in chain order), so that loading and saving it gives back the
same bytes. number.txt is counted from the same tables that home.txt and the rosters are made of.
"""

import filecmp
import os
import sys
import tempfile
from collections import deque

sys.dont_write_bytecode = True  # keep the source folder free of caches

import clan  # noqa: E402
import households  # noqa: E402
import texts  # noqa: E402

ABSENT_NAME = b"0     "
LIVING_FILLER = b"0" + b" " * 8


def name_key(name):
    """The 6-byte GBK name key: three characters, or two characters and two spaces."""
    raw = name.encode("gbk")
    if len(raw) == 4:
        raw += b"  "
    if len(raw) != 6:
        raise ValueError(f"{name}: a name key needs two or three characters")
    return raw


def check_date(text, who):
    if len(text) != 8 or not text.isdigit():
        raise ValueError(f"{who}: date {text!r} is not yyyymmdd")


class Person:
    def __init__(self, name, sex, birth, death, married):
        self.name = name
        self.sex = sex
        self.birth = birth
        self.death = death
        self.married = married
        self.mother_index = "0"
        self.generation = 0
        self.father = None
        self.older_sibling = None
        self.husband = None
        self.children = []
        self.wives = []
        self.placed = False


def build_tree():
    """Links the tables into persons; returns (root, persons by name). Raises on a broken table."""
    persons = {}

    def add(person):
        if person.name in persons:
            raise ValueError(f"{person.name}: listed twice")
        name_key(person.name)
        check_date(person.birth, person.name)
        if person.death is not None:
            check_date(person.death, person.name)
            if person.death <= person.birth:
                raise ValueError(f"{person.name}: dies before being born")
        persons[person.name] = person

    root = None
    for name, sex, father, mother, married, birth, death, placed in clan.MEMBERS:
        person = Person(name, sex, birth, death, married)
        person.placed = placed
        person.mother_index = mother
        add(person)
        if father is None:
            if root is not None:
                raise ValueError(f"{name}: a second member without father")
            root = person
            continue
        dad = persons[father]
        person.father = dad
        person.generation = dad.generation + 1
        if dad.children:
            older = dad.children[-1]
            if older.birth >= person.birth:
                raise ValueError(f"{name}: born before the older sibling {older.name}")
            person.older_sibling = older
        dad.children.append(person)

    for name, husband, birth, death, placed in clan.WIVES:
        wife = Person(name, "f", birth, death, "y")
        wife.placed = placed
        add(wife)
        man = persons[husband]
        if man.sex != "m" or man.husband is not None or len(man.wives) == 2:
            raise ValueError(f"{name}: {husband} cannot take another wife")
        wife.husband = man
        wife.generation = man.generation
        man.wives.append(wife)

    for person in persons.values():
        if person.mother_index != "0" and len(person.father.wives) < int(person.mother_index):
            raise ValueError(f"{person.name}: mother index names no recorded wife")
        if person.generation > 9:
            raise ValueError(f"{person.name}: generation beyond one digit")
        if person.wives and person.married != "y":
            raise ValueError(f"{person.name}: has a wife but is not married")
    return root, persons


def save_order(root):
    """Persons in the order the program's save writes them."""
    order = []
    queue = deque([root])
    while queue:
        person = queue.popleft()
        order.append(person)
        order.extend(person.wives)
        queue.extend(person.children)
    return order


def record(person):
    """One record of home.txt, line end included (48 bytes for the dead, 49 for the living)."""
    out = b"!" + name_key(person.name) + str(person.generation).encode("ascii")
    out += name_key(person.father.name) if person.father else ABSENT_NAME
    out += person.birth.encode("ascii") + person.sex.encode("ascii")
    out += name_key(person.older_sibling.name) if person.older_sibling else ABSENT_NAME
    out += person.mother_index.encode("ascii") + person.married.encode("ascii")
    out += name_key(person.husband.name) if person.husband else ABSENT_NAME
    if person.death is None:
        out += b"y" + LIVING_FILLER
    else:
        out += b"n" + person.death.encode("ascii")
    return out + b"\r\n"


def home_file(root):
    return b"".join(record(p) for p in save_order(root))


def roster_file(names):
    return b"".join(name_key(n) for n in names)


def marked_text(lines):
    """A free text: '#' for each line break, no CR LF."""
    for line in lines:
        if "#" in line or "\n" in line or "\r" in line:
            raise ValueError(f"line break characters inside {line!r}")
    return "#".join(lines).encode("gbk")


def clan_figures(root):
    """The clan tree's statistics, in the order number.txt gives them."""
    everyone = save_order(root)
    members = [p for p in everyone if p.husband is None]
    wives = [p for p in everyone if p.husband is not None]
    deepest = max(p.generation for p in everyone)
    return {
        "persons": len(everyone),
        "members": len(members),
        "wives": len(wives),
        "generations": deepest + 1,
        "by_generation": [
            sum(1 for p in everyone if p.generation == g) for g in range(deepest + 1)
        ],
        "men": sum(1 for p in everyone if p.sex == "m"),
        "women": sum(1 for p in everyone if p.sex == "f"),
        "daughters": sum(1 for p in members if p.sex == "f"),
        "living": sum(1 for p in everyone if p.death is None),
        "dead": sum(1 for p in everyone if p.death is not None),
    }


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def generate(target):
    """Writes every data file into `target`; returns a one-line summary."""
    os.makedirs(target, exist_ok=True)
    root, persons = build_tree()
    write(os.path.join(target, "home.txt"), home_file(root))

    rosters = households.ROSTERS
    households.check(rosters, name_key)
    for house, names in rosters:
        write(os.path.join(target, house.file_name), roster_file(names))

    figures = clan_figures(root)
    write(os.path.join(target, "number.txt"),
          marked_text(texts.number_lines(figures, rosters)))
    write(os.path.join(target, "most.txt"), marked_text(texts.most_lines(persons)))

    for name, account in texts.PERSON_TEXTS:
        if "\n" in account or "\r" in account:
            raise ValueError(f"{name}: a person text is one line")
        file_name = name_key(name).decode("gbk") + ".txt"
        write(os.path.join(target, file_name), account.encode("gbk"))

    return (f"{figures['persons']} persons in {figures['generations']} generations, "
            f"{figures['women']} women; rosters: "
            + ", ".join(f"{h.file_name} {len(n)}" for h, n in rosters))


def check(data_dir):
    """0 when data_dir holds exactly the generated .txt files, byte for byte; else 1."""
    with tempfile.TemporaryDirectory() as fresh:
        generate(fresh)
        wanted = sorted(os.listdir(fresh))
        present = sorted(f for f in os.listdir(data_dir) if f.endswith(".txt"))
        _, differ, missing = filecmp.cmpfiles(data_dir, fresh, wanted, shallow=False)
        extra = sorted(set(present) - set(wanted))
    for label, names in (("differs", differ), ("missing", missing), ("not generated", extra)):
        for name in names:
            print(f"{name}: {label}", file=sys.stderr)
    return 1 if differ or missing or extra else 0


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data_dir = os.path.join(here, "..", "..", "data")
    if sys.argv[1:2] == ["--check"]:
        sys.exit(check(sys.argv[2] if len(sys.argv) > 2 else data_dir))
    print(generate(sys.argv[1] if len(sys.argv) > 1 else data_dir))


if __name__ == "__main__":
    main()
