# Bash completion of refquill-cli: its commands, options and the files each command reads
# (EndNote exports *.txt, RIS *.ris, BibTeX *.bib, CSL-JSON *.json, databases *.PDB, CSV files
# *.csv), folders for --home and --out-dir, the formats of --format.
# Works with or without the bash-completion package.

_refquill_cli_files() {
    # Files whose names end in one of the given extensions (any letter case), and folders.
    local pattern="" ext
    for ext in "$@"; do
        local glob="" c
        for ((c = 0; c < ${#ext}; c++)); do
            local l=${ext:c:1}
            glob+="[${l,}${l^}]"
        done
        pattern+="${pattern:+|}*.$glob"
    done
    local IFS=$'\n'
    local matches=($(compgen -d -- "$cur"))
    local file
    for file in $(compgen -f -- "$cur"); do
        [[ -d $file ]] && continue
        # shellcheck disable=SC2053
        eval "case \$file in $pattern) matches+=(\"\$file\") ;; esac"
    done
    COMPREPLY=("${matches[@]}")
    compopt -o filenames 2>/dev/null
}

_refquill_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="export-csv write-ifo to-jfile to-endnote import-csv from-jfile help"
    local options="--home --quiet --verbose --no-wait --timeout --format --help --version"
    COMPREPLY=()

    # The command: the first word that is neither an option nor an option's value.
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --home | --timeout | --format | -o | --out-dir) ((i++)) ;;
            --) break ;;
            -*) ;;
            *)
                command=${COMP_WORDS[i]}
                break
                ;;
        esac
    done

    case $prev in
        --home | --out-dir)
            local IFS=$'\n'
            COMPREPLY=($(compgen -d -- "$cur"))
            compopt -o filenames 2>/dev/null
            return
            ;;
        --timeout) return ;;
        --format)
            COMPREPLY=($(compgen -W "endnote ris bibtex csl-json" -- "$cur"))
            return
            ;;
        -o)
            case $command in
                export-csv | import-csv) _refquill_cli_files csv tsv ;;
                write-ifo) _refquill_cli_files ifo ;;
            esac
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        local more=""
        case $command in
            export-csv | write-ifo | import-csv) more="-o" ;;
            to-jfile | to-endnote | from-jfile) more="--out-dir" ;;
        esac
        COMPREPLY=($(compgen -W "$options $more" -- "$cur"))
        return
    fi
    case $command in
        "") COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        help) ((i == COMP_CWORD - 1)) && COMPREPLY=($(compgen -W "${commands% help}" -- "$cur")) ;;
        export-csv | to-jfile) _refquill_cli_files txt ris bib json ;;
        to-endnote | from-jfile) _refquill_cli_files pdb ;;
        import-csv) _refquill_cli_files csv ;;
    esac
}
complete -F _refquill_cli refquill-cli
