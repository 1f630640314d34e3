app "Content Pipeline"

agent editor uses "gpt-4o-mini":
  can reason
  job polish given draft:
    better = rethink draft: make it clearer and shorter
    return better

-- A draft goes out in French and German, with a summary for the newsletter.
flow publish given draft:
  summary = summarize draft
  log "summary: {summary}"
  versions = []
  add translate draft to "French" to versions
  add translate draft to "German" to versions
  narrate "translated into {versions.count} languages"
  return versions

flow headline given draft:
  options = imagine: three headlines for the draft
  return options

to word_count given words:
  return words.length

-- AI forms answer by themselves inside a pretend block, so the tests need no model or key.
flow test_publish_makes_two_versions:
  pretend:
    run editor publish "Our new release is out"
  return versions.count is 2

flow test_polish_is_a_job_of_the_editor:
  pretend:
    run editor polish "a long and winding draft"
  return better exists

flow test_word_count:
  return word_count("four") is 4
