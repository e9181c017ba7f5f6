#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
"""What the fleet tests ask of Python.

  fleetcheck.py validate SCHEMA FILE...   each FILE against the JSON Schema, with python3-jsonschema
  fleetcheck.py options TABLE MODULE SCHEMA
      the command line's option table (JSON from the test) against the Ansible
      module's DOCUMENTATION and ARGUMENTS and the schema's options

Prints what differs and exits 1; exits 77 when a package it needs is missing.
"""
import importlib.util
import json
import sys


def need(name):
    try:
        return __import__(name)
    except ImportError:
        print('python3 has no module %s' % name)
        sys.exit(77)


def validate(schema_path, files):
    jsonschema = need('jsonschema')
    schema = json.load(open(schema_path))
    validator = jsonschema.Draft202012Validator(schema)
    problems = []
    for path in files:
        for error in validator.iter_errors(json.load(open(path))):
            problems.append('%s: %s at %s' % (path, error.message, '/'.join(map(str, error.absolute_path))))
    return problems


def options(table_path, module_path, schema_path):
    yaml = need('yaml')
    found = importlib.util.spec_from_file_location('reader_module', module_path)
    module = importlib.util.module_from_spec(found)
    try:
        found.loader.exec_module(module)
    except ImportError as e:
        print('the module needs %s' % e.name)
        sys.exit(77)
    documented = yaml.safe_load(module.DOCUMENTATION)['options']
    arguments = module.ARGUMENTS
    problems = []
    if set(documented) != set(arguments):
        problems.append('DOCUMENTATION and ARGUMENTS differ: %s' % sorted(set(documented) ^ set(arguments)))
    for name in set(documented) & set(arguments):
        for key in ('type', 'default', 'choices', 'elements'):
            if documented[name].get(key) != arguments[name].get(key):
                problems.append('%s: %s %r documented, %r in ARGUMENTS'
                                % (name, key, documented[name].get(key), arguments[name].get(key)))

    # Every option of optimize and restore (and the global ones) but the
    # output's own; check mode stands for --dry-run.
    cli = {o['name'].replace('-', '_'): o for o in json.load(open(table_path))
           if o['name'] not in ('help', 'version', 'json')}
    wanted = set(cli) - {'dry_run'}
    offered = set(arguments) - set(module.MODULE_OPTIONS)
    for name in sorted(wanted - offered):
        problems.append('--%s is not an option of the module' % cli[name]['name'])
    for name in sorted(offered - wanted):
        problems.append('the module offers %s, which quorvane-cli has not' % name)
    for name in sorted(wanted & offered):
        o = cli[name]
        kind = 'list' if o['repeatable'] else 'str' if o['value'] else 'bool'
        if arguments[name]['type'] not in ((kind,) if kind != 'str' else ('str', 'path')):
            problems.append('%s is a %s on the command line, a %s in the module' % (name, kind, arguments[name]['type']))
        is_global = not o['commands']
        if is_global != (name in module.GLOBAL_OPTIONS):
            problems.append('%s: the module places it %s the command' % (name, 'after' if is_global else 'before'))
        if not is_global and o['commands'] != ['optimize'] and name != 'dry_run':
            problems.append('--%s is taken by %s: the module passes it to optimize alone' % (o['name'], o['commands']))

    schema = json.load(open(schema_path))
    reported = set(schema['$defs']['options']['properties'])
    if reported != set(cli):
        problems.append('the schema\'s options differ from the command line\'s: %s' % sorted(reported ^ set(cli)))
    return problems


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == 'validate':
        problems = validate(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 5 and sys.argv[1] == 'options':
        problems = options(*sys.argv[2:])
    else:
        print(__doc__)
        return 2
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
